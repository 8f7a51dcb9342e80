// The "Scanning" progress window: what is being searched, added or checked, a progress bar, a
// busy indicator and Cancel. It shows a LibraryScan's progress signals and forwards Cancel.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace spinwave {

class LibraryScan;

class TScanInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TScanInfo(LibraryScan& scan, QWidget* parent = nullptr);

  QLabel* Label1() const { return label1_; }
  QLabel* FileName() const { return fileName_; }
  QLabel* Label4() const { return label4_; }
  QProgressBar* ProgressBar1() const { return bar_; }
  QPushButton* Button1() const { return button1_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  LibraryScan& scan_;
  QLabel* label1_;
  QLabel* fileName_;
  QLabel* label4_;
  QProgressBar* bar_;
  QProgressBar* animate1_;  // the busy indicator, running while the window is shown
  QPushButton* button1_;
};

}  // namespace spinwave
