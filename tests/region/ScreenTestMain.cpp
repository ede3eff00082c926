// GoogleTest main for tests that look at a real X server's screen (window
// shapes): scripts/test starts Xvfb for them when there is no display.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    if (listing) {
        // Test discovery at build time needs no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            // ctest reports this status as skipped (SKIP_RETURN_CODE).
            std::fprintf(stderr, "%s: skipped: needs an X display; the test command starts Xvfb\n",
                         argv[0]);
            return 77;
        }
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
