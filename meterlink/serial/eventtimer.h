// The wake timer of a meter link run from the Qt event loop of the window thread.
#pragma once

#include <memory>

#include "meterlink/driver/linerunner.h"

namespace dmm {

// A single-shot, precise QTimer: the driver is woken from the event loop.
std::unique_ptr<WakeTimer> MakeEventWakeTimer();

}  // namespace dmm
