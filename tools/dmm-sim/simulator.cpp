#include "tools/dmm-sim/simulator.h"
