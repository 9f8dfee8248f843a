#include "meterlink/globalvar.h"

namespace dmm {

Globals& G() {
    static Globals globals;
    return globals;
}

}  // namespace dmm
