// Puts the program's process-wide state back after every test, so that a flag one test
// set (a transfer in progress, a reading ready, a port held by the link) cannot leak into
// the next, even when the test stopped at a failed assertion before its own clean-up.
// Fixtures do not reset it themselves. It stays process-wide because the program has one
// link owner that the main window polls, the progress window's Abort stops and the
// program's recorder samples; tests that need no window of the program give the recorder
// a link owner of their own.
#pragma once

#include <gtest/gtest.h>

#include "meterlink/globalvar.h"
#include "shell/rules/meterdetection.h"

namespace dmm::test {

class ProcessStateReset : public ::testing::EmptyTestEventListener {
public:
    // After the test's own tear-down: whatever it left goes, the link's port with it, and
    // the meter chosen is the adaptor again.
    void OnTestEnd(const ::testing::TestInfo&) override {
        G() = Globals{};
        DesktopDetection().Choose(kAdaptorMeter);
    }
};

// Once in main(), after InitGoogleTest.
inline void ResetProcessStateAfterEachTest() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProcessStateReset);
}

}  // namespace dmm::test
