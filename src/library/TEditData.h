// "Track + ID3 tag editor": the fields of one track's library row and tag, stepping through the
// selected tracks, Save, "Get real Time" and "Convert filename to: Artist - Title". It shows a
// TrackEditor's fields and forwards the clicks.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace spinwave {

class TrackEditor;

class TEditData : public QDialog {
  Q_OBJECT

 public:
  // The editor must outlive the dialog.
  explicit TEditData(TrackEditor& editor, QWidget* parent = nullptr);

  // Copies the editor's fields into the controls, and back.
  void ShowFields();
  void ReadFields();
  void SaveBtnClick();

  QLineEdit* Field(const char* name) const;  // "Artist", "Title", ... "Intro", "Automix"
  QComboBox* V1Genre() const { return v1Genre_; }
  QComboBox* V2Genre() const { return v2Genre_; }
  QComboBox* Tracknr() const { return tracknr_; }
  QLabel* TimeLabel() const { return time_; }
  QLabel* PlayedTimes() const { return playedTimes_; }
  QPushButton* SelBack() const { return selBack_; }
  QPushButton* SelForw() const { return selForw_; }
  QPushButton* Button1() const { return button1_; }
  QPushButton* SaveBtn() const { return saveBtn_; }

 signals:
  // The editor closed (the browser then reduces the grid's selection and rereads the file list).
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* AddEdit(const char* name, int maxLength);

  TrackEditor& editor_;
  QLineEdit* fileName_;
  QComboBox* v1Genre_;
  QComboBox* v2Genre_;
  QComboBox* tracknr_;
  QLabel* time_;
  QLabel* mpegLayer_;
  QLabel* sampleRate_;
  QLabel* mpegVersion_;
  QLabel* playedTimes_;
  QLabel* idLabel_;
  QLabel* timeCaption_;
  QLabel* playedCaption_;
  QPushButton* button1_;
  QPushButton* selBack_;
  QPushButton* selForw_;
  QPushButton* saveBtn_;
  QPushButton* closeBtn_;
  QPushButton* convertFilename_;
};

}  // namespace spinwave
