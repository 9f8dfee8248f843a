// The desktop of the worked layout example: 1024 x 768, dialog frame 3,
// caption 19, menu 19, sizing frame 4, taskbar 28.
#pragma once

#include "shell/rules/layout.h"

namespace dmm::test {

inline SystemMetrics ExampleMetrics() {
    SystemMetrics m;
    m.screenWidth = 1024;
    m.screenHeight = 768;
    m.cyDlgFrame = 3;
    m.cyCaption = 19;
    m.cyMenu = 19;
    m.cyFrame = 4;
    m.TaskbarHeight = 28;
    return m;
}

}  // namespace dmm::test
