// The lamp picture shared by every TEMLed: loaded by the first lamp, released with the last.
#pragma once

#include <vector>

#include <QPixmap>

namespace spinwave {

class TEMLed;

class TLEDBitmap {
 public:
  // Registers a lamp; the first registration loads the picture.
  static void Attach(TEMLed* lamp);
  // Unregisters a lamp; the last one frees the picture.
  static void Detach(TEMLed* lamp);
  // The 24 x 13 picture (unlit lamp in the left 12 pixels, lit lamp in the right 12);
  // null while no lamp exists.
  static const QPixmap& Picture();
  static int LampCount();

 private:
  static TLEDBitmap* instance_;
  QPixmap picture_;
  std::vector<TEMLed*> lamps_;
};

}  // namespace spinwave
