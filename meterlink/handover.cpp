#include "meterlink/handover.h"
