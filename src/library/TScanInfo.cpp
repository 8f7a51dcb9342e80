#include "library/TScanInfo.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "library/LibraryScan.h"
#include "library/LibraryTexts.h"

namespace spinwave {

TScanInfo::TScanInfo(LibraryScan& scan, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      scan_(scan) {
  setObjectName("ScanInfo");
  setWindowTitle("Scanning");
  setModal(false);
  label1_ = new QLabel(QString::fromStdString(library_texts::kBusy), this);
  label1_->setObjectName("Label1");
  fileName_ = new QLabel(this);
  fileName_->setObjectName("FileName");
  fileName_->setMinimumWidth(360);
  // A long path is cut in the middle rather than widening the window.
  fileName_->setTextFormat(Qt::PlainText);
  fileName_->setWordWrap(false);
  auto* label3 = new QLabel("Total:", this);
  label3->setObjectName("Label3");
  label4_ = new QLabel("Progress 1/1", this);
  label4_->setObjectName("Label4");
  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar1");
  bar_->setTextVisible(false);
  animate1_ = new QProgressBar(this);
  animate1_->setObjectName("Animate1");
  animate1_->setTextVisible(false);
  animate1_->setMaximumHeight(8);
  button1_ = new QPushButton("Cancel", this);
  button1_->setObjectName("Button1");

  auto* layout = new QGridLayout(this);
  layout->addWidget(animate1_, 0, 0, 1, 2);
  layout->addWidget(label1_, 1, 0, 1, 2);
  layout->addWidget(fileName_, 2, 0, 1, 2);
  layout->addWidget(label3, 3, 0);
  layout->addWidget(label4_, 3, 1);
  layout->addWidget(bar_, 4, 0, 1, 2);
  layout->addWidget(button1_, 5, 1, Qt::AlignRight);

  connect(button1_, &QPushButton::clicked, this, [this] { scan_.Cancel(); });
  connect(&scan, &LibraryScan::ProgressShown, this, [this](bool shown) { setVisible(shown); });
  connect(&scan, &LibraryScan::ProgressLabel, label1_, &QLabel::setText);
  connect(&scan, &LibraryScan::ProgressFile, this, [this](const QString& text) {
    // Before the first show the label has no width of its own yet: its minimum counts.
    const int width = std::max(fileName_->width(), fileName_->minimumWidth());
    fileName_->setText(fileName_->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
  });
  connect(&scan, &LibraryScan::ProgressCount, label4_, &QLabel::setText);
  connect(&scan, &LibraryScan::ProgressRange, bar_, &QProgressBar::setRange);
  connect(&scan, &LibraryScan::ProgressValue, bar_, &QProgressBar::setValue);
  connect(&scan, &LibraryScan::CancelState, this, [this](bool enabled, const QString& caption) {
    button1_->setEnabled(enabled);
    button1_->setText(caption);
  });
}

void TScanInfo::showEvent(QShowEvent* event) {
  animate1_->setRange(0, 0);  // runs
  button1_->setEnabled(true);
  button1_->setText("Cancel");
  QDialog::showEvent(event);
}

void TScanInfo::hideEvent(QHideEvent* event) {
  animate1_->setRange(0, 1);  // stops
  QDialog::hideEvent(event);
}

void TScanInfo::closeEvent(QCloseEvent* event) {
  // The window has no close button; a close from the window manager cancels instead of hiding
  // a scan that goes on.
  if (scan_.Running()) {
    scan_.Cancel();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TScanInfo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    scan_.Cancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace spinwave
