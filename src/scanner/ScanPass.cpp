#include "ScanPass.h"

#include "SourceSelection.h"

#include <QDir>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <vector>

namespace {

using Kind = ScannerServiceError::Kind;

struct PassFailure
{
    Kind kind;
    QString detail;
};

constexpr int kReadChunk = 64 * 1024;
constexpr std::chrono::milliseconds kBusyRetry{200};

class PassRun
{
public:
    PassRun(ScanDeviceLayer& layer, const ScanPassRequest& request, const ScanPassControl& control,
            const ScanPassSink& sink)
        : m_layer(layer), m_request(request), m_control(control), m_sink(sink)
    {
    }

    void run()
    {
        try {
            open();
            m_sink(ScanPassEvent::of(ScanPassEvent::Kind::opened));
            configure();
            ScanPassEvent ready = ScanPassEvent::of(ScanPassEvent::Kind::ready);
            ready.feeder = m_plan.feeder;
            ready.duplex = m_duplex;
            m_sink(ready);
            scanPages();
            finish();
            m_sink(ScanPassEvent::of(ScanPassEvent::Kind::finished));
        } catch (const PassFailure& failure) {
            finish();
            m_sink(ScanPassEvent::failure(failure.kind, failure.detail));
        }
    }

private:
    void open()
    {
        const DeviceStatus status = m_layer.open(m_request.deviceName, m_handle);
        if (status == DeviceStatus::good && m_handle)
            return;
        m_handle.reset();
        if (isGone())
            throw PassFailure{Kind::deviceUnavailable, {}};
        throw PassFailure{Kind::deviceConnectionFailed, deviceErrorDetail(m_layer, status)};
    }

    void configure()
    {
        const ScanSettings& settings = m_request.settings;
        m_plan = planSources(m_handle->sources(), m_request.wantDuplex, settings.source,
                             settings.templateScan);
        if (!m_plan.source.isEmpty())
            check(m_handle->setSource(m_plan.source));
        m_duplex = m_plan.duplex;
        if (m_plan.feeder && !m_plan.duplex)
            setDuplexSwitch();
        const QString mode =
            chooseMode(m_handle->listValues(QStringLiteral("mode")), settings.colour);
        if (!mode.isEmpty())
            check(m_handle->setText(QStringLiteral("mode"), mode));
        if (const auto resolution = m_handle->number(QStringLiteral("resolution"))) {
            check(m_handle->setNumber(QStringLiteral("resolution"),
                                      chooseResolution(*resolution, settings.resolution)));
            if (const auto set = m_handle->number(QStringLiteral("resolution")))
                m_dpi = set->value;
        }
        setLargestArea();
    }

    // Read after the source is set: some backends offer the switch only for
    // the feeder. A switch that will not turn does not stop the pass; the
    // batch then finds one side per sheet and says so.
    void setDuplexSwitch()
    {
        QString listOption;
        for (const QString& option : m_handle->listOptions())
            if (option != QStringLiteral("source") && namesDuplexList(option)) {
                listOption = option;
                break;
            }
        const DuplexSwitch plan = planDuplexSwitch(
            m_handle->booleanOptions(), listOption,
            listOption.isEmpty() ? QStringList() : m_handle->listValues(listOption),
            m_request.wantDuplex);
        if (plan.option.isEmpty())
            return;
        // Set either way: a device may still have duplex on from an earlier session.
        const DeviceStatus status = plan.isList
                                        ? m_handle->setText(plan.option, plan.listValue)
                                        : m_handle->setBoolean(plan.option, m_request.wantDuplex);
        m_duplex = m_request.wantDuplex && status == DeviceStatus::good;
    }

    // The whole sheet the source can take: page size first (sheet-fed
    // backends bound the area by it), then the corners.
    void setLargestArea()
    {
        const auto setTo = [this](const char* name, bool largest) {
            const QString option = QString::fromLatin1(name);
            const auto range = m_handle->number(option);
            if (!range)
                return;
            double value = largest ? range->max : range->min;
            if (!range->values.isEmpty())
                value = largest ? *std::max_element(range->values.begin(), range->values.end())
                                : *std::min_element(range->values.begin(), range->values.end());
            check(m_handle->setNumber(option, value));
        };
        setTo("page-width", true);
        setTo("page-height", true);
        setTo("tl-x", false);
        setTo("tl-y", false);
        setTo("br-x", true);
        setTo("br-y", true);
    }

    void scanPages()
    {
        for (int page = 1;; ++page) {
            checkCanceled();
            if (!startFrame()) {
                // An empty feeder before the first page is a pass without
                // files; the batch reports that.
                return;
            }
            PageAssembler assembler;
            for (;;) {
                FrameFormat format;
                check(m_handle->parameters(format));
                QByteArray data;
                if (!readFrame(data)) {
                    // Some backends report the empty feeder from sane_read.
                    if (data.isEmpty())
                        return;
                }
                QString error;
                if (!assembler.addFrame(format, data, &error))
                    throw PassFailure{Kind::platform, error};
                if (format.lastFrame)
                    break;
                // Three-pass colour: each channel is started on its own.
                if (!startFrame())
                    throw PassFailure{Kind::platform,
                                      deviceErrorDetail(m_layer, DeviceStatus::noDocuments)};
            }
            writePage(assembler.image(), page);
            if (!m_plan.feeder)
                return;
        }
    }

    // False when the feeder is out of documents.
    bool startFrame()
    {
        const auto giveUp = std::chrono::steady_clock::now() + m_request.busyWait;
        for (;;) {
            const DeviceStatus status = m_handle->start();
            if (status == DeviceStatus::good)
                return true;
            if (status == DeviceStatus::noDocuments)
                return false;
            if (status == DeviceStatus::deviceBusy && std::chrono::steady_clock::now() < giveUp) {
                // A device still finishing the previous sheet frees up shortly.
                QThread::msleep(kBusyRetry.count());
                checkCanceled();
                continue;
            }
            fail(status);
        }
    }

    // Reads one frame to its end; false when the device said the feeder is
    // empty instead.
    bool readFrame(QByteArray& data)
    {
        std::vector<unsigned char> chunk(kReadChunk);
        for (;;) {
            checkCanceled();
            int length = 0;
            const DeviceStatus status = m_handle->read(chunk.data(), kReadChunk, &length);
            if (length > 0)
                data.append(reinterpret_cast<const char*>(chunk.data()), length);
            if (status == DeviceStatus::good)
                continue;
            if (status == DeviceStatus::endOfFile)
                return true;
            if (status == DeviceStatus::noDocuments)
                return false;
            fail(status);
        }
    }

    void writePage(QImage image, int page)
    {
        if (m_dpi > 0) {
            const int dotsPerMetre = qRound(m_dpi / 0.0254);
            image.setDotsPerMeterX(dotsPerMetre);
            image.setDotsPerMeterY(dotsPerMetre);
        }
        const QString path =
            QDir(m_request.folder)
                .filePath(QStringLiteral("%1-%2.png").arg(m_request.documentName).arg(page));
        QDir().mkpath(m_request.folder);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
            throw PassFailure{Kind::platform,
                              QStringLiteral("The scanned page could not be saved to %1: %2")
                                  .arg(path, file.errorString())};
        m_sink(ScanPassEvent::page(path));
    }

    void check(DeviceStatus status)
    {
        if (status != DeviceStatus::good)
            fail(status);
    }

    [[noreturn]] void fail(DeviceStatus status)
    {
        if (status == DeviceStatus::cancelled && m_control.canceled)
            throw PassFailure{Kind::scanCanceled, {}};
        if (status == DeviceStatus::ioError && isGone())
            throw PassFailure{Kind::deviceUnavailable, {}};
        // The operator clears these and scans the rest of the stack.
        const Kind kind = status == DeviceStatus::jammed      ? Kind::feederJammed
                          : status == DeviceStatus::coverOpen ? Kind::coverOpen
                                                              : Kind::platform;
        throw PassFailure{kind, deviceErrorDetail(m_layer, status)};
    }

    void checkCanceled()
    {
        if (m_control.canceled)
            throw PassFailure{Kind::scanCanceled, {}};
    }

    // A vanished device shows as an I/O error; the listing tells it apart
    // from a device that is present but failing.
    bool isGone()
    {
        const QList<DeviceListing> devices = m_layer.listDevices();
        return std::none_of(devices.begin(), devices.end(), [this](const DeviceListing& device) {
            return device.name == m_request.deviceName;
        });
    }

    // Every pass ends with a cancel, whether it worked or not, so the device
    // is left idle; then the device is closed.
    void finish()
    {
        if (!m_handle)
            return;
        m_handle->cancel();
        m_handle.reset();
    }

    ScanDeviceLayer& m_layer;
    const ScanPassRequest& m_request;
    const ScanPassControl& m_control;
    const ScanPassSink& m_sink;
    std::unique_ptr<ScanDeviceHandle> m_handle;
    SourcePlan m_plan;
    bool m_duplex = false;
    double m_dpi = 0;
};

} // namespace

void runScanPass(ScanDeviceLayer& layer, const ScanPassRequest& request,
                 const ScanPassControl& control, const ScanPassSink& sink)
{
    PassRun(layer, request, control, sink).run();
}
