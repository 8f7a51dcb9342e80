// TTouchBoard: the small "Virtual Keyboard" window that fills the library search from the
// on-screen keyboard: a text field mirroring what was typed (Edit1, at most 50 characters), the
// keyboard (TheBoard) and a layout chooser (KBLayout).
//
// For the console: SetTargets(filterText, searchButton, filterColumnList) once; show it when the
// filter text field is entered while a searchable column is chosen; SetLayoutNames with the
// options' list; SelectLayout(store.Text("KBLayout")) when the options load (this only selects,
// the built-in layout stays until the user picks one here).
#pragma once

#include <string>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>

#include "controls/TVirtualKeyboard.h"

namespace spinwave {

class TTouchBoard : public QDialog {
  Q_OBJECT
 public:
  explicit TTouchBoard(QWidget* parent = nullptr);

  TVirtualKeyboard* TheBoard() const { return board_; }
  QLineEdit* Edit1() const { return edit_; }
  QComboBox* KBLayout() const { return layout_; }

  // The console's filter text field, its "Search" button and its filter-column list (any may
  // be null).
  void SetTargets(QLineEdit* filterText, QWidget* searchButton, QWidget* filterColumn);
  // FormCreate: the layout names the options dialog lists.
  void SetLayoutNames(const QStringList& names);
  // Selects a layout name without loading it.
  void SelectLayout(const QString& name);
  // Loads <name>.kbl from the program folder (or the shipped copy). False when not found/valid.
  bool KBLayoutChange(const QString& name);

  // Names of the keyboard layouts: *.kbl in the program folder and among the shipped files,
  // without the extension, sorted, each once.
  static QStringList LayoutNames();
  // The file of a layout name, or "" when there is none.
  static std::string LayoutFile(const QString& name);

  void TheBoardButtonDown(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AfterClose();

  TVirtualKeyboard* board_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QComboBox* layout_ = nullptr;
  QPointer<QLineEdit> filterText_;
  QPointer<QWidget> searchButton_;
  QPointer<QWidget> filterColumn_;
};

}  // namespace spinwave
