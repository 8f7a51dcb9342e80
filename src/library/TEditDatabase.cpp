#include "library/TEditDatabase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/DirTreeView.h"
#include "library/LibraryScan.h"
#include "library/TScanInfo.h"
#include "meta/FolderStructures.h"

namespace spinwave {

namespace {

const char* const kHelp =
    "Add files: search a folder for MP3, OGG and WAV files and add them to the database. "
    "Their artist, title and other fields are read from the tags, or from the folder and file "
    "names through the folder structures.\n\n"
    "Update database: check that every file in the database still exists, and remove the ones "
    "that are gone.\n\n"
    "Empty database: remove every track from the database (a copy of the old file is kept as "
    "data.db.bak).";

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

}  // namespace

TEditDatabase::TEditDatabase(LibraryScan& scan, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), scan_(scan) {
  setObjectName("EditDatabase");
  setWindowTitle("Database");
  setModal(false);
  scanInfo_ = new TScanInfo(scan, this);

  // Left column.
  addBtn_ = new QPushButton("Add files", this);
  updateBtn_ = new QPushButton("Update database", this);
  emptyBtn_ = new QPushButton("Empty database", this);
  closeBtn_ = new QPushButton("Close", this);
  auto* left = new QVBoxLayout;
  for (QPushButton* b : {addBtn_, updateBtn_, emptyBtn_}) left->addWidget(b);
  left->addStretch(1);
  left->addWidget(closeBtn_);

  memo1_ = new QPlainTextEdit(kHelp, this);
  memo1_->setObjectName("Memo1");
  memo1_->setReadOnly(true);

  steps_ = new QStackedWidget(this);
  // Step 1.
  auto* step1 = new QWidget;
  step1->setObjectName("AddStep1");
  auto* l1 = new QVBoxLayout(step1);
  l1->addWidget(Caption("Step 1: Choose a directory", step1));
  dirTree_ = new TDirTreeView(step1);
  dirTree_->setObjectName("DirTree");
  dirTree_->CreateRoot();
  // Only folders can be chosen: no library node, no playlists.
  dirTree_->RemoveNode(ftLibrary);
  dirTree_->RemoveNode(ftPlaylists);
  l1->addWidget(dirTree_, 1);
  subDirs_ = new QCheckBox("Include subdirectories", step1);
  subDirs_->setObjectName("SubDirs");
  l1->addWidget(subDirs_);
  // Step 2.
  auto* step2 = new QWidget;
  step2->setObjectName("AddStep2");
  auto* l2 = new QVBoxLayout(step2);
  l2->addWidget(Caption("Step 2: Create a ID name", step2));
  l2->addWidget(new QLabel("Every track added now gets this name in its \"ID\" field.", step2));
  dirID_ = new QLineEdit(step2);
  dirID_->setObjectName("DirID");
  dirID_->setMaxLength(LibraryScan::kDirIDLength);
  l2->addWidget(dirID_);
  l2->addStretch(1);
  // Step 3.
  auto* step3 = new QWidget;
  step3->setObjectName("AddStep3");
  auto* l3 = new QVBoxLayout(step3);
  l3->addWidget(Caption("Step 3: Folder structures", step3));
  l3->addWidget(new QLabel("Files without a tag get their fields from their path below the "
                           "folder.\nHighlight a part and give it the proper keyword.",
                           step3));
  auto* row3 = new QHBoxLayout;
  edit1_ = new QLineEdit(step3);
  edit1_->setObjectName("Edit1");
  keywordBtn_ = new QToolButton(step3);
  keywordBtn_->setObjectName("KeywordBtn");
  keywordBtn_->setText("Keyword");
  keywordBtn_->setPopupMode(QToolButton::InstantPopup);
  auto* keywords = new QMenu(keywordBtn_);
  for (const char* k : {"Artist", "Title", "Album", "Genre", "Tracknr", "Ignore"})
    keywords->addAction(k, this, [this, k] { KeywordClick(k); });
  keywordBtn_->setMenu(keywords);
  browseBtn_ = new QPushButton("Browse...", step3);
  browseBtn_->setObjectName("BrowseBtn");
  addStructBtn_ = new QPushButton("Add", step3);
  addStructBtn_->setObjectName("AddStructBtn");
  row3->addWidget(edit1_, 1);
  row3->addWidget(keywordBtn_);
  row3->addWidget(browseBtn_);
  row3->addWidget(addStructBtn_);
  l3->addLayout(row3);
  structures_ = new QListWidget(step3);
  structures_->setObjectName("Structures");
  l3->addWidget(structures_, 1);
  removeBtn_ = new QPushButton("Remove", step3);
  removeBtn_->setObjectName("RemoveBtn");
  l3->addWidget(removeBtn_, 0, Qt::AlignRight);
  // Step 4.
  auto* step4 = new QWidget;
  step4->setObjectName("AddStep4");
  auto* l4 = new QVBoxLayout(step4);
  l4->addWidget(Caption("Step 4: Click on the button to\nsearch and add files to the database",
                        step4));
  searchBtn_ = new QPushButton("Search && Add", step4);
  searchBtn_->setObjectName("SearchBtn");
  l4->addWidget(searchBtn_, 0, Qt::AlignLeft);
  exactSearch_ = new QCheckBox("Get exact timelength", step4);
  exactSearch_->setObjectName("ExactSearch");
  saveTime_ = new QCheckBox("Save mp3 track time in ID3v2 Tag", step4);
  saveTime_->setObjectName("SaveTime");
  checkBox1_ = new QCheckBox("Only ID3v1", step4);
  checkBox1_->setObjectName("CheckBox1");
  l4->addWidget(exactSearch_);
  l4->addWidget(saveTime_);
  l4->addWidget(new QLabel("So it loads fast nex time you access the file", step4));
  l4->addWidget(new QLabel("Warning! this option is not adviseable on a big search", step4));
  l4->addWidget(checkBox1_);
  l4->addStretch(1);
  for (QWidget* w : {step1, step2, step3, step4}) steps_->addWidget(w);

  addBtns_ = new QWidget(this);
  addBtns_->setObjectName("AddBtns");
  auto* lb = new QHBoxLayout(addBtns_);
  lb->setContentsMargins(0, 0, 0, 0);
  cancelBtn_ = new QPushButton("Close", addBtns_);
  cancelBtn_->setObjectName("CancelBtn");
  backBtn_ = new QPushButton("Back", addBtns_);
  backBtn_->setObjectName("BackBtn");
  nextBtn_ = new QPushButton("Next", addBtns_);
  nextBtn_->setObjectName("NextBtn");
  lb->addWidget(cancelBtn_);
  lb->addStretch(1);
  lb->addWidget(backBtn_);
  lb->addWidget(nextBtn_);

  auto* right = new QVBoxLayout;
  right->addWidget(memo1_, 1);
  right->addWidget(steps_, 1);
  right->addWidget(addBtns_);
  auto* main = new QHBoxLayout(this);
  main->addLayout(left);
  main->addLayout(right, 1);
  resize(620, 420);

  // Forwarding.
  connect(addBtn_, &QPushButton::clicked, this, [this] { scan_.AddBtnClick(); });
  connect(updateBtn_, &QPushButton::clicked, this, [this] { scan_.UpdateBtnClick(); });
  connect(emptyBtn_, &QPushButton::clicked, this, [this] { scan_.EmptyBtnClick(); });
  connect(closeBtn_, &QPushButton::clicked, this, [this] {
    ReadOptions();
    scan_.CloseBtnClick();
    hide();
  });
  connect(cancelBtn_, &QPushButton::clicked, this, [this] { scan_.CancelBtnClick(); });
  connect(nextBtn_, &QPushButton::clicked, this, [this] {
    ReadOptions();
    scan_.NextBtnClick();
    if (scan_.Step() == 2) dirID_->setFocus();
    if (scan_.Step() == 3) edit1_->clear();
    if (scan_.Step() == 4) searchBtn_->setFocus();
  });
  connect(backBtn_, &QPushButton::clicked, this, [this] {
    ReadOptions();
    scan_.BackBtnClick();
  });
  dirTree_->OnPathChange = [this](TDirTreeView* tree, const std::string& path) {
    QTreeWidgetItem* item = tree->currentItem();
    scan_.DirTreePathChange(path, item ? item->text(0).toStdString() : std::string());
  };
  connect(dirID_, &QLineEdit::textEdited, this,
          [this](const QString& t) { scan_.SetDirID(t.toStdString()); });
  connect(dirID_, &QLineEdit::returnPressed, nextBtn_, &QPushButton::click);
  connect(addStructBtn_, &QPushButton::clicked, this, &TEditDatabase::AddStructBtnClick);
  connect(removeBtn_, &QPushButton::clicked, this, &TEditDatabase::RemoveBtnClick);
  connect(browseBtn_, &QPushButton::clicked, this, [this] {
    const QString folder = QString::fromStdString(scan_.Path());
    const QString file = QFileDialog::getOpenFileName(this, "Choose a file", folder);
    QString base = folder;
    if (!base.endsWith('/')) base += '/';
    if (!file.isEmpty() && file.startsWith(base)) edit1_->setText(file.mid(base.size()));
  });
  connect(searchBtn_, &QPushButton::clicked, this, [this] {
    ReadOptions();
    scan_.SearchBtnClick();
  });
  connect(&scan_, &LibraryScan::WizardChanged, this, &TEditDatabase::ShowState);
  connect(&scan_, &LibraryScan::DialogShown, this, [this](bool shown) {
    setVisible(shown);
    if (shown) raise();
  });
  FillStructures();
  ShowState();
}

void TEditDatabase::FillStructures() {
  structures_->clear();
  for (const std::string& s : scan_.Structures()) structures_->addItem(QString::fromStdString(s));
}

void TEditDatabase::ReadOptions() {
  ScanOptions& o = scan_.Options();
  o.SubDirs = subDirs_->isChecked();
  o.ExactSearch = exactSearch_->isChecked();
  o.SaveTime = saveTime_->isChecked();
  o.OnlyID3v1 = checkBox1_->isChecked();
  scan_.SetDirID(dirID_->text().toStdString());
}

void TEditDatabase::ShowState() {
  const int step = scan_.Step();
  memo1_->setVisible(step == 0);
  steps_->setVisible(step > 0);
  addBtns_->setVisible(step > 0);
  if (step > 0) steps_->setCurrentIndex(step - 1);
  nextBtn_->setEnabled(scan_.NextEnabled() && step < 4);
  backBtn_->setEnabled(scan_.BackEnabled());
  addBtn_->setEnabled(scan_.ActionsEnabled());
  updateBtn_->setEnabled(scan_.UpdateEnabled());
  emptyBtn_->setEnabled(scan_.ActionsEnabled());
  const ScanOptions& o = scan_.Options();
  subDirs_->setChecked(o.SubDirs);
  exactSearch_->setChecked(o.ExactSearch);
  saveTime_->setChecked(o.SaveTime);
  checkBox1_->setChecked(o.OnlyID3v1);
  if (dirID_->text().toStdString() != scan_.DirID())
    dirID_->setText(QString::fromStdString(scan_.DirID()));
}

void TEditDatabase::KeywordClick(const QString& keyword) {
  // insert() replaces the selection, or inserts at the caret when nothing is selected.
  edit1_->insert(keyword);
  edit1_->setFocus();
}

void TEditDatabase::AddStructBtnClick() {
  const std::string text = edit1_->text().toStdString();
  if (text.empty()) return;
  AddStructure(scan_.Structures(), text);
  edit1_->clear();
  FillStructures();
}

void TEditDatabase::RemoveBtnClick() {
  const int row = structures_->currentRow();
  auto& list = scan_.Structures();
  if (row < 0 || row >= static_cast<int>(list.size()) || !structures_->currentItem() ||
      !structures_->currentItem()->isSelected())
    return;
  list.erase(list.begin() + row);
  FillStructures();
}

void TEditDatabase::keyPressEvent(QKeyEvent* event) {
  // Escape would close the dialog without the structures being saved: it acts as "Close".
  if (event->key() == Qt::Key_Escape) {
    closeBtn_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TEditDatabase::closeEvent(QCloseEvent* event) {
  ReadOptions();
  scan_.CloseBtnClick();
  QDialog::closeEvent(event);
}

}  // namespace spinwave
