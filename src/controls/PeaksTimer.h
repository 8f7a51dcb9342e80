// The 250 ms timer that lets the held peaks of level meters fall one bar per tick.
#pragma once

#include <vector>

#include <QPointer>
#include <QTimer>

#include "controls/TRLed.h"

namespace spinwave {

class PeaksTimer : public QObject {
  Q_OBJECT
 public:
  static constexpr int kIntervalMs = 250;

  explicit PeaksTimer(QObject* parent = nullptr);

  void AddMeter(TRLed* meter);
  void Start() { timer_.start(); }
  void Stop() { timer_.stop(); }
  bool Active() const { return timer_.isActive(); }
  // One tick: every meter's held peak falls one bar (while it is within the meter).
  void Tick();

 private:
  QTimer timer_;
  std::vector<QPointer<TRLed>> meters_;
};

}  // namespace spinwave
