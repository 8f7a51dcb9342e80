#include "engine/DeckShared.h"

#include "engine/TFMODJingle.h"

namespace spinwave {

namespace {
DeckShared* g_shared = nullptr;
}

bool& DeckShared::ManualClock() {
  static bool manual = false;
  return manual;
}

void DeckShared::EnableClock() {
  clockEnabled = true;
  if (!ManualClock() && !clock.isActive()) clock.start();
}

DeckShared* DeckShared::Get() { return g_shared; }

DeckShared& DeckShared::Acquire() {
  if (!g_shared) {
    g_shared = new DeckShared;
    g_shared->clock.setInterval(10);
    g_shared->clock.setTimerType(Qt::PreciseTimer);
    QObject::connect(&g_shared->clock, &QTimer::timeout, [] { TFMODJingle::NotifyTimerTime(); });
  }
  ++g_shared->components;
  return *g_shared;
}

void DeckShared::Release() {
  if (g_shared && --g_shared->components <= 0) {
    g_shared->clock.stop();
    delete g_shared;
    g_shared = nullptr;
  }
}

}  // namespace spinwave
