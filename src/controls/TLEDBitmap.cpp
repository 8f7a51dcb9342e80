#include "controls/TLEDBitmap.h"

#include <algorithm>

#include "controls/ControlTypes.h"

namespace spinwave {

TLEDBitmap* TLEDBitmap::instance_ = nullptr;

void TLEDBitmap::Attach(TEMLed* lamp) {
  if (!instance_) {
    instance_ = new TLEDBitmap;
    instance_->picture_ = TransparentPicture(ControlResourcePicture("LED_PICS"));
  }
  instance_->lamps_.push_back(lamp);
}

void TLEDBitmap::Detach(TEMLed* lamp) {
  if (!instance_) return;
  auto& lamps = instance_->lamps_;
  lamps.erase(std::remove(lamps.begin(), lamps.end(), lamp), lamps.end());
  if (lamps.empty()) {
    delete instance_;
    instance_ = nullptr;
  }
}

const QPixmap& TLEDBitmap::Picture() {
  static const QPixmap none;
  return instance_ ? instance_->picture_ : none;
}

int TLEDBitmap::LampCount() { return instance_ ? int(instance_->lamps_.size()) : 0; }

}  // namespace spinwave
