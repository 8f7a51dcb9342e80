#include "library/TEditData.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "library/LibraryTexts.h"
#include "library/TrackEditor.h"
#include "meta/ID3Genres.h"

namespace spinwave {

namespace texts = library_texts;

namespace {

QStringList SortedGenres() {
  QStringList list;
  for (const std::string& g : ID3v1Genres()) list << QString::fromStdString(g);
  list.sort(Qt::CaseInsensitive);
  return list;
}

}  // namespace

QLineEdit* TEditData::AddEdit(const char* name, int maxLength) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(name);
  edit->setMaxLength(maxLength);
  edit->installEventFilter(this);
  return edit;
}

QLineEdit* TEditData::Field(const char* name) const { return findChild<QLineEdit*>(name); }

TEditData::TEditData(TrackEditor& editor, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), editor_(editor) {
  setObjectName("EditData");
  setWindowTitle("Track + ID3 tag editor");

  auto* tagGroup = new QGroupBox(" ID3v2 + ID3v1 + Database ", this);
  auto* form = new QFormLayout(tagGroup);
  auto underlined = [](const std::string& text) {
    return QString("<u>%1</u>").arg(QString::fromStdString(text).toHtmlEscaped());
  };
  form->addRow(underlined(texts::kDBArtist), AddEdit("Artist", 60));
  form->addRow(underlined(texts::kDBTitle), AddEdit("Title", 60));
  form->addRow(underlined(texts::kDBAlbum), AddEdit("Album", 60));
  QLineEdit* year = AddEdit("Year", 4);
  year->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), year));
  form->addRow(underlined(texts::kDBYear), year);
  form->addRow(underlined(texts::kDBComment), AddEdit("Comment", 30));
  v1Genre_ = new QComboBox(this);
  v1Genre_->setObjectName("v1Genre");
  v1Genre_->addItem(QString());  // none chosen
  v1Genre_->addItems(SortedGenres());
  form->addRow(underlined(texts::kDBGenre1) + " (ID3v1 Genre)", v1Genre_);
  v2Genre_ = new QComboBox(this);
  v2Genre_->setObjectName("v2Genre");
  v2Genre_->setEditable(true);
  v2Genre_->addItems(SortedGenres());
  v2Genre_->setCurrentText(QString());
  form->addRow(QString::fromStdString(texts::kDBGenre2) + " (ID3v2 Genre)", v2Genre_);
  tracknr_ = new QComboBox(this);
  tracknr_->setObjectName("Tracknr");
  for (int i = 0; i <= 255; ++i) tracknr_->addItem(QString::number(i));
  form->addRow("<u>Track</u>", tracknr_);
  form->addRow("Composer", AddEdit("Composer", 60));
  form->addRow("Original artist", AddEdit("OrgArtist", 60));
  form->addRow("Copyright", AddEdit("Copyright", 60));
  form->addRow("Encoded by", AddEdit("EncodedBy", 60));
  auto* inOut = new QHBoxLayout;
  for (const char* name : {"Intro", "Outro"}) {
    QLineEdit* e = AddEdit(name, 4);
    // Overtype m:ss: the mask keeps the colon and the caret steps over it.
    e->setInputMask("9:99");
    e->setMaximumWidth(60);
    inOut->addWidget(new QLabel(name, this));
    inOut->addWidget(e);
  }
  inOut->addStretch(1);
  form->addRow(inOut);
  form->addRow(new QLabel("(Underlined fields are valid in ID3v1)", this));

  auto* infoGroup = new QGroupBox(" Track info ", this);
  auto* grid = new QGridLayout(infoGroup);
  timeCaption_ = new QLabel(QString::fromStdString(texts::kDBTime) + ":", this);
  time_ = new QLabel(this);
  time_->setObjectName("Time");
  mpegLayer_ = new QLabel(this);
  sampleRate_ = new QLabel(this);
  mpegVersion_ = new QLabel(this);
  playedCaption_ = new QLabel(QString::fromStdString(texts::kDBPlTimes) + ":", this);
  playedTimes_ = new QLabel(this);
  playedTimes_->setObjectName("PlayedTimes");
  idLabel_ = new QLabel("ID:", this);
  QLineEdit* id = AddEdit("ID", 60);
  QLineEdit* automix = AddEdit("Automix", TrackEditor::kAutomixLength);
  automix->setValidator(
      new QRegularExpressionValidator(QRegularExpression("-?[0-9]{0,5}"), automix));
  button1_ = new QPushButton("Get real Time", this);
  button1_->setObjectName("Button1");
  int r = 0;
  grid->addWidget(timeCaption_, r, 0);
  grid->addWidget(time_, r++, 1);
  grid->addWidget(new QLabel("MPEG layer:", this), r, 0);
  grid->addWidget(mpegLayer_, r++, 1);
  grid->addWidget(new QLabel("Sample rate:", this), r, 0);
  grid->addWidget(sampleRate_, r++, 1);
  grid->addWidget(new QLabel("MPEG version:", this), r, 0);
  grid->addWidget(mpegVersion_, r++, 1);
  grid->addWidget(playedCaption_, r, 0);
  grid->addWidget(playedTimes_, r++, 1);
  grid->addWidget(idLabel_, r, 0);
  grid->addWidget(id, r++, 1);
  grid->addWidget(new QLabel("Automix:", this), r, 0);
  grid->addWidget(automix, r++, 1);
  grid->addWidget(new QLabel("1000 = 1 sec.", this), r++, 1);
  grid->addWidget(button1_, r++, 0, 1, 2);
  grid->setRowStretch(r, 1);

  fileName_ = new QLineEdit(this);
  fileName_->setObjectName("FileName");
  fileName_->setReadOnly(true);
  selBack_ = new QPushButton("<", this);
  selBack_->setObjectName("SelBack");
  selForw_ = new QPushButton(">", this);
  selForw_->setObjectName("SelForw");
  saveBtn_ = new QPushButton("Save", this);
  saveBtn_->setObjectName("SaveBtn");
  saveBtn_->setDefault(true);
  closeBtn_ = new QPushButton("Close", this);
  closeBtn_->setObjectName("CloseBtn");
  convertFilename_ = new QPushButton("Convert filename to: Artist - Title", this);
  convertFilename_->setObjectName("ConvertFilename");

  auto* groups = new QHBoxLayout;
  groups->addWidget(tagGroup, 3);
  groups->addWidget(infoGroup, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(selBack_);
  buttons->addWidget(selForw_);
  buttons->addWidget(convertFilename_);
  buttons->addStretch(1);
  buttons->addWidget(saveBtn_);
  buttons->addWidget(closeBtn_);
  auto* main = new QVBoxLayout(this);
  main->addWidget(fileName_);
  main->addLayout(groups);
  main->addLayout(buttons);

  connect(selForw_, &QPushButton::clicked, this, [this] { editor_.SelForwClick(); });
  connect(selBack_, &QPushButton::clicked, this, [this] { editor_.SelBackClick(); });
  connect(saveBtn_, &QPushButton::clicked, this, &TEditData::SaveBtnClick);
  connect(closeBtn_, &QPushButton::clicked, this, &QDialog::close);
  connect(button1_, &QPushButton::clicked, this, [this] {
    ReadFields();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    editor_.GetRealTimeClick();
    QApplication::restoreOverrideCursor();
    ShowFields();
  });
  connect(convertFilename_, &QPushButton::clicked, this, [this] {
    ReadFields();
    editor_.ConvertFilenameClick();
    ShowFields();
  });
  connect(&editor_, &TrackEditor::RecordChanged, this, &TEditData::ShowFields);
  connect(&editor_, &TrackEditor::FocusAutomix, this, [this] { Field("Automix")->setFocus(); });
  ShowFields();
}

void TEditData::ShowFields() {
  const TrackFields& f = editor_.Fields();
  fileName_->setText(QString::fromStdString(f.FileName));
  auto set = [this](const char* name, const std::string& text) {
    Field(name)->setText(QString::fromStdString(text));
  };
  set("Artist", f.Artist);
  set("Title", f.Title);
  set("Album", f.Album);
  set("Year", f.Year);
  set("Comment", f.Comment);
  set("Composer", f.Composer);
  set("OrgArtist", f.OrgArtist);
  set("Copyright", f.Copyright);
  set("EncodedBy", f.EncodedBy);
  set("Intro", f.Intro);
  set("Outro", f.Outro);
  set("Automix", f.Automix);
  set("ID", f.ID);
  v1Genre_->setCurrentIndex(std::max(0, v1Genre_->findText(QString::fromStdString(f.V1Genre))));
  v2Genre_->setCurrentText(QString::fromStdString(f.V2Genre));
  tracknr_->setCurrentIndex(std::clamp(f.Tracknr, 0, 255));
  time_->setText(QString::fromStdString(f.Time));
  mpegLayer_->setText(QString::fromStdString(f.MPEGLayer));
  sampleRate_->setText(QString::fromStdString(f.SampleRate));
  mpegVersion_->setText(QString::fromStdString(f.MPEGVersion));
  playedTimes_->setText(QString::fromStdString(f.PlayedTimes));
  const bool library = editor_.LibraryFieldsEnabled();
  for (QWidget* w : {static_cast<QWidget*>(Field("ID")), static_cast<QWidget*>(idLabel_),
                     static_cast<QWidget*>(timeCaption_), static_cast<QWidget*>(time_),
                     static_cast<QWidget*>(playedCaption_), static_cast<QWidget*>(playedTimes_),
                     static_cast<QWidget*>(button1_)})
    w->setEnabled(library);
  selBack_->setEnabled(editor_.SelBackEnabled());
  selForw_->setEnabled(editor_.SelForwEnabled());
  if (QLineEdit* artist = Field("Artist")) {
    artist->setFocus();
    artist->selectAll();
  }
}

void TEditData::ReadFields() {
  TrackFields& f = editor_.Fields();
  auto get = [this](const char* name) { return Field(name)->text().toStdString(); };
  f.Artist = get("Artist");
  f.Title = get("Title");
  f.Album = get("Album");
  f.Year = get("Year");
  f.Comment = get("Comment");
  f.Composer = get("Composer");
  f.OrgArtist = get("OrgArtist");
  f.Copyright = get("Copyright");
  f.EncodedBy = get("EncodedBy");
  f.Intro = get("Intro");
  f.Outro = get("Outro");
  f.Automix = get("Automix");
  f.ID = get("ID");
  f.V1Genre = v1Genre_->currentText().toStdString();
  f.V2Genre = v2Genre_->currentText().toStdString();
  f.Tracknr = tracknr_->currentIndex();
}

void TEditData::SaveBtnClick() {
  saveBtn_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ReadFields();
  editor_.SaveBtnClick();
  QApplication::restoreOverrideCursor();
  saveBtn_->setEnabled(true);
}

bool TEditData::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      close();
      return true;
    }
    // Enter and ";" would break the table file's fields; they are dropped.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
        key->text() == QLatin1String(";"))
      return true;
  }
  if (edit && (edit->objectName() == "Intro" || edit->objectName() == "Outro") &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonRelease)) {
    // One character selected, never the colon.
    QTimer::singleShot(0, edit, [edit] {
      int at = edit->cursorPosition();
      if (at == 1) at = 2;
      if (at > 3) at = 3;
      edit->setSelection(at, 1);
    });
  }
  return QDialog::eventFilter(watched, event);
}

void TEditData::closeEvent(QCloseEvent* event) {
  emit Closed();
  QDialog::closeEvent(event);
}

}  // namespace spinwave
