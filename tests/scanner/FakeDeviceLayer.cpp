#include "FakeDeviceLayer.h"

#include <QThread>
#include <chrono>
#include <cstring>
#include <new>

void FakeScript::setSources(const QStringList& list)
{
    QMutexLocker lock(&m_mutex);
    m_sources = list;
}

QStringList FakeScript::sources() const
{
    QMutexLocker lock(&m_mutex);
    return m_sources;
}

void FakeScript::setBooleanOptions(const QStringList& list)
{
    QMutexLocker lock(&m_mutex);
    m_booleanOptions = list;
}

QStringList FakeScript::booleanOptions() const
{
    QMutexLocker lock(&m_mutex);
    return m_booleanOptions;
}

QStringList FakeScript::settings() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings;
}

void FakeScript::record(const QString& setting)
{
    QMutexLocker lock(&m_mutex);
    m_settings.append(setting);
}

void FakeScript::pause(int ms) const
{
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(ms == hang ? 20000 : ms);
    while (!released && std::chrono::steady_clock::now() < end)
        QThread::msleep(5);
}

namespace {

constexpr int kWidth = 4;
constexpr int kHeight = 3;

class FakeHandle : public ScanDeviceHandle
{
public:
    explicit FakeHandle(std::shared_ptr<FakeScript> script) : m_script(std::move(script)) {}

    QStringList sources() override { return m_script->sources(); }
    QStringList booleanOptions() override { return m_script->booleanOptions(); }
    DeviceStatus setSource(const QString& source) override
    {
        m_script->record(QStringLiteral("source=") + source);
        return DeviceStatus::good;
    }
    DeviceStatus setBoolean(const QString& option, bool value) override
    {
        m_script->record(option + QLatin1Char('=') + QString::number(value));
        return DeviceStatus::good;
    }

    DeviceStatus start() override
    {
        if (m_script->busyStarts > 0) {
            --m_script->busyStarts;
            return DeviceStatus::deviceBusy;
        }
        if (m_script->startStatus != DeviceStatus::good)
            return m_script->startStatus;
        if (m_delivered >= m_script->pages)
            return DeviceStatus::noDocuments;
        m_script->pause(m_script->pageDelayMs);
        m_remaining = kWidth * kHeight;
        return DeviceStatus::good;
    }

    DeviceStatus parameters(FrameFormat& format) override
    {
        format = FrameFormat{FrameFormat::Kind::gray, true, kWidth, kWidth, kHeight, 8};
        return DeviceStatus::good;
    }

    DeviceStatus read(unsigned char* buffer, int maxLength, int* length) override
    {
        *length = 0;
        if (m_script->throwOnRead)
            throw std::bad_alloc();
        if (m_delivered == m_script->removeAfterPages) {
            m_script->removed = true;
            return DeviceStatus::ioError;
        }
        if (m_delivered == m_script->stallAfterPages)
            m_script->pause(FakeScript::hang);
        if (m_remaining == 0) {
            ++m_delivered;
            return DeviceStatus::endOfFile;
        }
        const int count = std::min(maxLength, m_remaining);
        std::memset(buffer, 128, count);
        m_remaining -= count;
        *length = count;
        return DeviceStatus::good;
    }

    void cancel() override { ++m_script->cancels; }

private:
    std::shared_ptr<FakeScript> m_script;
    int m_delivered = 0;
    int m_remaining = 0;
};

class FakeLayer : public ScanDeviceLayer
{
public:
    explicit FakeLayer(std::shared_ptr<FakeScript> script) : m_script(std::move(script)) {}

    QList<DeviceListing> listDevices() override
    {
        m_script->pause(m_script->listDelayMs);
        if (m_script->removed)
            return {};
        return {{QStringLiteral("fake:1"), QStringLiteral("Acme"), QStringLiteral("Feeder 9"),
                 QStringLiteral("sheetfed scanner")}};
    }

    DeviceStatus open(const QString& name, std::unique_ptr<ScanDeviceHandle>& handle) override
    {
        m_script->pause(m_script->openDelayMs);
        if (m_script->removed || name != QStringLiteral("fake:1"))
            return DeviceStatus::invalid;
        if (m_script->openStatus != DeviceStatus::good)
            return m_script->openStatus;
        handle = std::make_unique<FakeHandle>(m_script);
        return DeviceStatus::good;
    }

    QString statusText(DeviceStatus status) override
    {
        return status == DeviceStatus::jammed ? QStringLiteral("Document feeder jammed")
                                              : QStringLiteral("Fake status %1").arg(int(status));
    }

private:
    std::shared_ptr<FakeScript> m_script;
};

} // namespace

std::unique_ptr<ScanDeviceLayer> makeFakeDeviceLayer(std::shared_ptr<FakeScript> script)
{
    return std::make_unique<FakeLayer>(std::move(script));
}
