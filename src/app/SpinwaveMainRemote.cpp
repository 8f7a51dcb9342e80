// The window's part of remote commands, the keyboard and the end of the session: the keys of
// the console's windows go to ConsoleKeys before the control with the focus sees them, the
// remote "-exit" closes the window, "-rowdata" reads deck 1's artist label, and the shutdown
// handler asks the password and the SafeClose rule once before the console closes.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "app/ConsoleCore.h"
#include "app/ConsoleKeyboard.h"
#include "app/ConsoleKeys.h"
#include "app/ConsoleLock.h"
#include "app/PlayersPanel.h"
#include "app/RemoteCommands.h"
#include "library/LibraryModel.h"  // before the window: its inline handlers use it
#include "app/SpinwaveMain.h"
#include "app/X11HotKeys.h"
#include "controls/TEMButton.h"
#include "controls/TEMSlider.h"
#include "core/LanguageTexts.h"
#include "core/Messages.h"
#include "library/LibraryBrowser.h"
#include "options/OptionsStore.h"
#include "options/ShortcutKeys.h"
#include "playlist/DeckTransport.h"
#include "table/TEMDBGrid.h"

using namespace spinwave;

namespace {

// Previews every key of the console's windows (the console and its floating deck panel), as
// the console form always has: the configured keys work whatever control has the focus.
class KeyPreview : public QObject {
 public:
  KeyPreview(TSpinwaveMain& console, ConsoleKeys& keys, X11HotKeys* hotKeys)
      : QObject(&console), console_(console), keys_(keys), hotKeys_(hotKeys) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    // Hot keys are held only while the console is the active window (see X11HotKeys.h); the
    // options dialog's new codes count from the next activation on.
    if (hotKeys_ && watched == &console_) {
      if (type == QEvent::WindowActivate) hotKeys_->SetHotKeys();
      if (type == QEvent::WindowDeactivate || type == QEvent::Close) hotKeys_->RemHotKeys();
    }
    if (type == QEvent::FocusIn && watched == console_.Playlist()) {
      keys_.RemoveFocus();  // the playlist took the keyboard
      return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    QWidget* window = widget->window();
    if (window != &console_ && (!console_.FloatHost() || window != console_.FloatHost()))
      return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = VirtualKeyFromQt(*key);
    if (code == 0) return false;
    if (type == QEvent::KeyRelease) {
      if (!key->isAutoRepeat()) keys_.FormKeyUp(code);
      return false;
    }
    // A digit typed into a text field is text (the library search, an editor in the window).
    if (code >= '0' && code <= '9' && TSpinwaveMain::TypesText(widget)) return false;
    return keys_.FormKeyDown(code, key->modifiers());
  }

 private:
  TSpinwaveMain& console_;
  ConsoleKeys& keys_;
  X11HotKeys* hotKeys_;
};

}  // namespace

void TSpinwaveMain::ConnectRemote() {
  keys_ = new ConsoleKeys(core_, this);
  keys_->FocusDeck = [this](int deck) {
    if (TEMSlider* slider = players_->Controls(deck).positionSlider) slider->setFocus();
  };
  keys_->FocusPlaylist = [this] {
    playlist_->setFocus();
    keys_->RemoveFocus();  // the playlist has the keyboard, even before the window is active
  };
  keys_->FocusLibrary = [this] {
    if (library_->LibraryShown() && library_->DBGrid()->isVisible())
      library_->DBGrid()->setFocus();
    else
      library_->FileList()->setFocus();
  };
  keys_->ToggleJingles = [this] {
    TEMButton* jingles = Button(QStringLiteral("Jingles"));
    if (jingles && jingles->isEnabled() && jingles->OnClick) jingles->OnClick(jingles);
  };
  keys_->JingleKey = [this](int key) { return JingleKey(key); };
  keys_->Shuffle = [this] { ShuffleClick(); };
  keys_->Talkover = [this] {
    TEMButton* talkover = players_->Talkover();
    if (talkover && talkover->OnClick) talkover->OnClick(talkover);
  };
  keys_->FilterFieldHasFocus = [this] {
    QLineEdit* field = ConsoleKeyboard::SearchField(this);
    QWidget* focus = QApplication::focusWidget();
    return field && focus && (focus == field || field->isAncestorOf(focus) ||
                              focus->isAncestorOf(field));
  };
  connect(library_, &LibraryBrowser::RemoveFocusRequested, keys_, &ConsoleKeys::RemoveFocus);
  X11HotKeys* hotKeys = X11HotKeys::Available() ? new X11HotKeys(*keys_, this) : nullptr;
  qApp->installEventFilter(new KeyPreview(*this, *keys_, hotKeys));

  RemoteCommands& remote = core_.Remote();
  // Closed after the reply went out: the close may ask questions and ends the console.
  remote.CloseConsole = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
  remote.Deck1Artist = [this] { return players_->ArtistLabel(0)->text(); };
}

bool TSpinwaveMain::EndSessionQuery() {
  if (closed_) return true;
  // The password first (AdminClose), then SafeClose: a busy deck keeps the console open.
  bool mayEnd = lock_->MayClose(this);
  if (core_.Transport().AnyDeckBusy() && core_.Options().Bool("SafeClose")) {
    mayEnd = false;
    ShowMessage(LangText("CantClose"));
  }
  if (!mayEnd) return false;
  FormClose();  // asked already: the close that follows asks nothing again
  close();
  return true;
}
