// ConsoleKeyboard: the on-screen keyboard (TTouchBoard) for the console's library search.
//
// Open(field) shows the "Virtual Keyboard" window filling `field` (the library's search text),
// from the console's Setup menu or by hand. Attach(field, searchButton, filterColumn) makes it
// come up by itself while Database ShowKeyboard is on, when the user enters or clicks the search
// field with a filter column chosen other than the first ("None") and "Genre 1". The window
// follows the options: ShowKeyboard off destroys it, KBLayout selects the layout (the built-in
// one stays until the user picks a layout in the window).
#pragma once

#include <QObject>
#include <QPointer>

#include "controls/TTouchBoard.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace spinwave {

class OptionsStore;

class ConsoleKeyboard : public QObject {
  Q_OBJECT
 public:
  ConsoleKeyboard(QWidget& console, const OptionsStore& options, QObject* parent = nullptr);

  // Shows the keyboard filling `field` (may be null: the keyboard's own field only) and, when
  // given, enabling `searchButton` while there is text. Returns the window.
  TTouchBoard* Open(QLineEdit* field, QWidget* searchButton = nullptr,
                    QWidget* filterColumn = nullptr);
  // The search field the keyboard comes up for by itself (see above).
  void Attach(QLineEdit* field, QWidget* searchButton, QComboBox* filterColumn);
  // The console's library search field, by its name FilterTxt (a line edit or an editable
  // combo box), or null while the console has none.
  static QLineEdit* SearchField(QWidget* console);

  TTouchBoard* Board() const { return board_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowOptions(const QString& key);

  QWidget& console_;
  const OptionsStore& options_;
  QPointer<TTouchBoard> board_;
  QPointer<QLineEdit> attached_;
  QPointer<QObject> watched_;  // the same field, compared without a cast while it is destroyed
  QPointer<QWidget> searchButton_;
  QPointer<QComboBox> filterColumn_;
};

}  // namespace spinwave
