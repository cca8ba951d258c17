#include <gtest/gtest.h>
#ifdef TW_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

// A Qt application object gives tests an event loop for coroutines, timers
// and networking (widgets too for the screens' tests); the offscreen
// platform keeps them headless.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("OMP_THREAD_LIMIT", "1");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
