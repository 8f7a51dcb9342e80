// The "Database" dialog: "Add files" (a four-step wizard: folder, ID, folder structures, search
// and add), "Update database", "Empty database". It shows a LibraryScan's state and forwards the
// clicks; the progress window TScanInfo appears while a scan runs. The dialog is shown without
// blocking the console and hides itself while a scan runs.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace spinwave {

class LibraryScan;
class TDirTreeView;
class TScanInfo;

class TEditDatabase : public QDialog {
  Q_OBJECT

 public:
  explicit TEditDatabase(LibraryScan& scan, QWidget* parent = nullptr);

  LibraryScan& Scan() { return scan_; }
  TScanInfo* ScanInfo() const { return scanInfo_; }
  TDirTreeView* DirTree() const { return dirTree_; }
  QPushButton* AddBtn() const { return addBtn_; }
  QPushButton* UpdateBtn() const { return updateBtn_; }
  QPushButton* EmptyBtn() const { return emptyBtn_; }
  QPushButton* NextBtn() const { return nextBtn_; }
  QPushButton* BackBtn() const { return backBtn_; }
  QPushButton* SearchBtn() const { return searchBtn_; }
  QLineEdit* DirIDEdit() const { return dirID_; }
  QLineEdit* Edit1() const { return edit1_; }
  QListWidget* Structures() const { return structures_; }
  QCheckBox* SubDirs() const { return subDirs_; }
  QCheckBox* ExactSearch() const { return exactSearch_; }
  QCheckBox* SaveTime() const { return saveTime_; }
  QCheckBox* CheckBox1() const { return checkBox1_; }

  // Step-3 handlers: the keyword replaces the selected part of Edit1; the structure is added to
  // the list (longest first); the selected structure is removed.
  void KeywordClick(const QString& keyword);
  void AddStructBtnClick();
  void RemoveBtnClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowState();
  void ReadOptions();
  void FillStructures();

  LibraryScan& scan_;
  TScanInfo* scanInfo_;
  QPushButton* addBtn_;
  QPushButton* updateBtn_;
  QPushButton* emptyBtn_;
  QPushButton* closeBtn_;
  QPlainTextEdit* memo1_;
  QStackedWidget* steps_;
  QWidget* addBtns_;
  QPushButton* cancelBtn_;
  QPushButton* backBtn_;
  QPushButton* nextBtn_;
  TDirTreeView* dirTree_;
  QCheckBox* subDirs_;
  QLineEdit* dirID_;
  QLineEdit* edit1_;
  QToolButton* keywordBtn_;
  QPushButton* addStructBtn_;
  QPushButton* browseBtn_;
  QListWidget* structures_;
  QPushButton* removeBtn_;
  QPushButton* searchBtn_;
  QCheckBox* exactSearch_;
  QCheckBox* saveTime_;
  QCheckBox* checkBox1_;
};

}  // namespace spinwave
