#include "controls/ControlTypes.h"

#include <QBitmap>
#include <QImage>

// The built-in pictures live in a static library; referencing the resource initialiser from
// here keeps the linker from dropping them. Q_INIT_RESOURCE must be used outside a namespace.
static void InitControlResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(controls);
    return true;
  }();
  (void)done;
}

namespace spinwave {

QColor ColorFromWin(std::uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::uint32_t ColorToWin(const QColor& color) {
  return std::uint32_t(color.red()) | (std::uint32_t(color.green()) << 8) |
         (std::uint32_t(color.blue()) << 16);
}

QPixmap TransparentPicture(const QPixmap& picture) {
  if (picture.isNull() || picture.hasAlphaChannel()) return picture;
  const QImage image = picture.toImage();
  const QColor key = image.pixelColor(0, image.height() - 1);
  QPixmap result = picture;
  result.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
  return result;
}

QPixmap ControlResourcePicture(const char* name) {
  InitControlResources();
  return QPixmap(QStringLiteral(":/spinwave/controls/%1.png").arg(QLatin1String(name)));
}

}  // namespace spinwave
