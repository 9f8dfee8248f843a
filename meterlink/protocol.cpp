#include "meterlink/protocol.h"
