// Types shared by the display controls: the toolkit-style enumerations, colour values and the
// shapes of the event callbacks.
#pragma once

#include <cstdint>
#include <functional>

#include <QColor>
#include <QPixmap>
#include <Qt>

namespace spinwave {

// Where a lamp's caption stands relative to the lamp.
enum TCaptionAlignment { caLeft, caRight, caTop, caBottom };
// Direction of a bar meter: trVertical fills from the bottom, trHorizontal from the left.
enum TTrackBarOrientation { trHorizontal, trVertical };
enum TSliderOrientation { soHorizontal, soVertical };
// Frame look of a picture button: raised at rest, lowered while the left button is held.
enum TBevelStyle { bsLowered, bsRaised };

// Event callbacks. Every event passes the control that raised it, so one handler can serve
// several controls and tell them apart by their Tag.
template <class Sender>
using TNotifyEvent = std::function<void(Sender* sender)>;
template <class Sender>
using TMouseEvent = std::function<void(Sender* sender, Qt::MouseButton button,
                                       Qt::KeyboardModifiers shift, int x, int y)>;

// Colour values of the settings and skin files: red in the low byte, then green, then blue
// (0x00BBGGRR).
QColor ColorFromWin(std::uint32_t value);
std::uint32_t ColorToWin(const QColor& color);

// A picture prepared for drawing "transparent": a picture with an alpha channel is used as it
// is; an opaque one (a BMP from a skin) gets its bottom-left pixel's colour masked out, which is
// how the toolkit's bitmaps choose their transparent colour.
QPixmap TransparentPicture(const QPixmap& picture);

// Loads a picture of the controls' built-in resources (":/spinwave/controls/<name>.png").
QPixmap ControlResourcePicture(const char* name);

}  // namespace spinwave
