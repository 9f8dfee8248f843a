#include "meterlink/labels.h"
