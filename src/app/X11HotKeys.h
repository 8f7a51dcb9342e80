// X11HotKeys: the configured deck keys with Alt (and comma and period) as hot keys of an X11
// session: passive key grabs on the root window, so that no other client (the window manager's
// own Alt bindings, an input method) takes them while the console is the active window. They
// are taken when the console becomes active and given back when it stops being active, so the
// console never steals Alt + key from another program (where a hot key would do nothing
// anyway). A key another client already grabbed is simply missing; the key still works while
// the console has the keyboard. Outside X11 (Wayland) there are no hot keys.
//
// A grabbed key normally still arrives at the console's focused widget (owner events); one
// reported to the root window instead is turned into ConsoleKeys::FormKeyDown(code, Alt).
#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QObject>

namespace spinwave {

class ConsoleKeys;

class X11HotKeys : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit X11HotKeys(ConsoleKeys& keys, QObject* parent = nullptr);
  ~X11HotKeys() override;

  // True when the session is X11 (the xcb platform) and this build can grab keys.
  static bool Available();
  // The X keysym of a virtual-key code ("P" 80 → XK_p, numeric pad 6 → XK_KP_6, F1 → XK_F1,
  // comma → XK_comma); 0 for a code without one.
  static std::uint32_t KeysymOf(int code);
  // The current codes of the seventeen hot keys: every deck key but Talkover, comma, period.
  std::vector<int> Codes() const;

  // Grabs Alt + each current code; returns how many keys were taken. Releases earlier grabs.
  int SetHotKeys();
  void RemHotKeys();
  int Registered() const { return int(grabbed_.size()); }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  struct Grab {
    std::uint8_t keycode;
    int code;
  };
  ConsoleKeys& keys_;
  std::vector<Grab> grabbed_;
  bool filterInstalled_ = false;
};

}  // namespace spinwave
