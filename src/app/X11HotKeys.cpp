#include "app/X11HotKeys.h"

#include <cstdlib>

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>

#include "app/ConsoleKeys.h"

#ifdef SPINWAVE_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace spinwave {

namespace {

#ifdef SPINWAVE_HAVE_XCB
xcb_connection_t* Connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) {
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// Alt with Num Lock, Caps Lock, both or neither: a grab names its modifiers exactly.
constexpr std::uint16_t kModifierSets[] = {
    XCB_MOD_MASK_1, XCB_MOD_MASK_1 | XCB_MOD_MASK_2, XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK,
    XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};

// The first keycode whose keyboard mapping holds `keysym`; 0 when none does.
std::uint8_t KeycodeOf(xcb_connection_t* c, std::uint32_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int first = setup->min_keycode, count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      c, xcb_get_keyboard_mapping(c, xcb_keycode_t(first), std::uint8_t(count)), nullptr);
  if (!reply) return 0;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int perKey = reply->keysyms_per_keycode;
  std::uint8_t found = 0;
  for (int k = 0; k < count && !found; ++k)
    for (int j = 0; j < perKey; ++j)
      if (syms[k * perKey + j] == keysym) {
        found = std::uint8_t(first + k);
        break;
      }
  std::free(reply);
  return found;
}
#endif

}  // namespace

X11HotKeys::X11HotKeys(ConsoleKeys& keys, QObject* parent) : QObject(parent), keys_(keys) {}

X11HotKeys::~X11HotKeys() {
  RemHotKeys();
  if (filterInstalled_ && qApp) qApp->removeNativeEventFilter(this);
}

bool X11HotKeys::Available() {
#ifdef SPINWAVE_HAVE_XCB
  return Connection() != nullptr;
#else
  return false;
#endif
}

std::uint32_t X11HotKeys::KeysymOf(int code) {
  if (code >= 'A' && code <= 'Z') return std::uint32_t(code - 'A' + 'a');
  if (code >= '0' && code <= '9') return std::uint32_t(code);
  if (code >= 96 && code <= 105) return 0xffb0 + std::uint32_t(code - 96);   // KP_0 .. KP_9
  if (code >= 112 && code <= 135) return 0xffbe + std::uint32_t(code - 112);  // F1 .. F24
  switch (code) {
    case 8: return 0xff08;    // BackSpace
    case 9: return 0xff09;    // Tab
    case 13: return 0xff0d;   // Return
    case 19: return 0xff13;   // Pause
    case 27: return 0xff1b;   // Escape
    case 32: return 0x20;     // space
    case 33: return 0xff55;   // Prior
    case 34: return 0xff56;   // Next
    case 35: return 0xff57;   // End
    case 36: return 0xff50;   // Home
    case 37: return 0xff51;   // Left
    case 38: return 0xff52;   // Up
    case 39: return 0xff53;   // Right
    case 40: return 0xff54;   // Down
    case 45: return 0xff63;   // Insert
    case 46: return 0xffff;   // Delete
    case 106: return 0xffaa;  // KP_Multiply
    case 107: return 0xffab;  // KP_Add
    case 108: return 0xffac;  // KP_Separator
    case 109: return 0xffad;  // KP_Subtract
    case 110: return 0xffae;  // KP_Decimal
    case 111: return 0xffaf;  // KP_Divide
    case 186: return ';';
    case 187: return '=';
    case 188: return ',';
    case 189: return '-';
    case 190: return '.';
    case 191: return '/';
    case 192: return '`';
    case 219: return '[';
    case 220: return '\\';
    case 221: return ']';
    case 222: return '\'';
    default: return 0;
  }
}

std::vector<int> X11HotKeys::Codes() const {
  std::vector<int> codes;
  for (int f = 0; f < ConsoleKeys::kFunctionCount; ++f)
    if (f != ConsoleKeys::kTalkover) codes.push_back(keys_.Code(ConsoleKeys::Function(f)));
  return codes;
}

int X11HotKeys::SetHotKeys() {
  RemHotKeys();
#ifdef SPINWAVE_HAVE_XCB
  xcb_connection_t* c = Connection();
  if (!c) return 0;
  if (!filterInstalled_) {
    qApp->installNativeEventFilter(this);
    filterInstalled_ = true;
  }
  const xcb_window_t root = Root(c);
  for (int code : Codes()) {
    const std::uint32_t keysym = KeysymOf(code);
    const std::uint8_t keycode = keysym ? KeycodeOf(c, keysym) : 0;
    if (!keycode) continue;
    bool taken = true;
    for (std::uint16_t modifiers : kModifierSets) {
      xcb_generic_error_t* error = xcb_request_check(
          c, xcb_grab_key_checked(c, 1, root, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                  XCB_GRAB_MODE_ASYNC));
      if (error) {
        taken = false;  // another client holds it
        std::free(error);
      }
    }
    if (taken) {
      grabbed_.push_back({keycode, code});
    } else {
      for (std::uint16_t modifiers : kModifierSets) xcb_ungrab_key(c, keycode, root, modifiers);
    }
  }
  xcb_flush(c);
#endif
  return Registered();
}

void X11HotKeys::RemHotKeys() {
#ifdef SPINWAVE_HAVE_XCB
  if (xcb_connection_t* c = grabbed_.empty() ? nullptr : Connection()) {
    const xcb_window_t root = Root(c);
    for (const Grab& g : grabbed_)
      for (std::uint16_t modifiers : kModifierSets) xcb_ungrab_key(c, g.keycode, root, modifiers);
    xcb_flush(c);
  }
#endif
  grabbed_.clear();
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef SPINWAVE_HAVE_XCB
  if (grabbed_.empty() || eventType != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  const std::uint8_t type = event->response_type & 0x7f;
  if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
  auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  xcb_connection_t* c = Connection();
  // Only what the grab reported to the root window; keys of our own windows arrive as usual.
  if (!c || key->event != Root(c)) return false;
  for (const Grab& g : grabbed_) {
    if (g.keycode != key->detail) continue;
    // Only while the console is the active window: elsewhere the hot key does nothing.
    if (!QApplication::activeWindow()) return true;
    if (type == XCB_KEY_PRESS)
      keys_.FormKeyDown(g.code, Qt::AltModifier);
    else
      keys_.FormKeyUp(g.code);
    return true;
  }
#else
  (void)eventType;
  (void)message;
#endif
  return false;
}

}  // namespace spinwave
