#include <QGuiApplication>
#include <gtest/gtest.h>

// A Qt application object gives tests an event loop for coroutines, timers
// and networking; the offscreen platform keeps them headless.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("OMP_THREAD_LIMIT", "1");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
