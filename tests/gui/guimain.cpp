// The main() of every window test: an application on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "support/processstate.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program ends through its main window, not when a test's last window closes.
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    dmm::test::ResetProcessStateAfterEachTest();
    return RUN_ALL_TESTS();
}
