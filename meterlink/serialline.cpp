#include "meterlink/serialline.h"
