#include "controls/PeaksTimer.h"

namespace spinwave {

PeaksTimer::PeaksTimer(QObject* parent) : QObject(parent) {
  timer_.setInterval(kIntervalMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void PeaksTimer::AddMeter(TRLed* meter) {
  if (meter) meters_.emplace_back(meter);
}

void PeaksTimer::Tick() {
  for (const QPointer<TRLed>& meter : meters_)
    if (meter) meter->FallPeak();
}

}  // namespace spinwave
