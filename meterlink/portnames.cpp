#include "meterlink/portnames.h"
