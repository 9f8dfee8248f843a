#include "meterlink/numparse.h"
