#include "meterlink/displaydecoder.h"
