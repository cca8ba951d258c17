#include "SaneTestBackend.h"

#include "scanner/SaneDeviceLayer.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

namespace {
SaneTestBackend* g_backend = nullptr;

// Stops the worker while the application object still exists.
class ReleaseBackend : public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete g_backend;
        g_backend = nullptr;
    }
};
const auto* const g_release = ::testing::AddGlobalTestEnvironment(new ReleaseBackend);
} // namespace

SaneTestBackend& SaneTestBackend::instance()
{
    if (!g_backend)
        g_backend = new SaneTestBackend;
    return *g_backend;
}

SaneTestBackend::SaneTestBackend()
{
    writeFile(m_config.filePath("dll.conf"), "test\n");
    // Small, slowed-down pages: a feeder pass of ten pages takes about
    // a second, long enough to cancel in the middle of it.
    writeFile(m_config.filePath("test.conf"), "number_of_devices 2\n"
                                              "resolution 25\n"
                                              "read-limit true\n"
                                              "read-limit-size 2048\n"
                                              "read-delay true\n"
                                              "read-delay-duration 20000\n");
    qputenv("SANE_CONFIG_DIR", m_config.path().toLocal8Bit());
    m_worker = std::make_shared<ScanWorker>(&makeSaneDeviceLayer);
}
