#include "SaneScannerService.h"

#include "Mailbox.h"
#include "PageNumbering.h"
#include "ScanEndText.h"
#include "ScanPass.h"
#include "SourceSelection.h"

#include <QDateTime>
#include <algorithm>

namespace {

using Kind = ScannerServiceError::Kind;
using Clock = std::chrono::steady_clock;

struct DiscoveryUpdate
{
    QList<ScannerDevice> entries;
    bool complete = false;
};

QString timeoutText(std::chrono::milliseconds bound)
{
    return QStringLiteral("no answer within %1 seconds")
        .arg(QString::number(double(bound.count()) / 1000.0));
}

QString connectionOf(const DeviceListing& device)
{
    const QString backend = device.name.section(QLatin1Char(':'), 0, 0).toLower();
    if (device.name.contains(QStringLiteral("usb"), Qt::CaseInsensitive))
        return QStringLiteral("USB");
    static const QStringList networkBackends = {QStringLiteral("net"), QStringLiteral("airscan"),
                                                QStringLiteral("escl"), QStringLiteral("bjnp")};
    if (networkBackends.contains(backend) || device.name.contains(QStringLiteral("://")))
        return QStringLiteral("Network");
    return device.type.isEmpty() ? QStringLiteral("Local") : device.type;
}

// Clears the service's hold on a running pass however the pass ends.
template <typename F> struct OnExit
{
    F f;
    ~OnExit() { f(); }
};
template <typename F> OnExit(F) -> OnExit<F>;

} // namespace

DeviceUnits probeDeviceUnits(ScanDeviceHandle& handle)
{
    DeviceUnits units;
    const QStringList sources = handle.sources();
    units.hasFeeder = namesFeeder(sources);
    units.hasFlatbed = namesFlatbed(sources);
    units.takesSettings =
        handle.number(QStringLiteral("resolution")).has_value() ||
        !chooseMode(handle.listValues(QStringLiteral("mode")), ScanColour::grey).isEmpty();
    const SourcePlan duplexSource = planSources(sources, true);
    units.hasDuplex = duplexSource.duplex;
    // Some backends offer their duplex switch only once the feeder is set.
    if (!units.hasDuplex && duplexSource.feeder &&
        handle.setSource(duplexSource.source) == DeviceStatus::good) {
        QString listOption;
        for (const QString& option : handle.listOptions())
            if (option != QStringLiteral("source") && namesDuplexList(option))
                listOption = option;
        const DuplexSwitch toggle = planDuplexSwitch(
            handle.booleanOptions(), listOption,
            listOption.isEmpty() ? QStringList() : handle.listValues(listOption), true);
        units.hasDuplex = !toggle.option.isEmpty();
    }
    return units;
}

ScannerDevice saneScannerEntry(const DeviceListing& device, bool hasDocumentFeeder)
{
    ScannerDevice entry;
    entry.id = device.name;
    entry.name = (device.vendor + QLatin1Char(' ') + device.model).trimmed();
    if (entry.name.isEmpty())
        entry.name = QStringLiteral("Scanner");
    entry.connection = connectionOf(device);
    entry.supportsDuplex = false; // known once the device was opened
    entry.hasDocumentFeeder = hasDocumentFeeder;
    entry.isOnline = true;
    entry.isControllable = true;
    entry.statusDetail = QStringLiteral("Ready to scan through SANE.");
    return entry;
}

// Whether each device has a feeder, learnt by opening it once. Touched on
// the worker thread only.
struct SaneScannerService::FeederCache
{
    QHash<QString, DeviceUnits> units;
};

SaneScannerService::SaneScannerService(std::shared_ptr<ScanWorker> worker,
                                       SaneServiceOptions options, QObject* parent)
    : QObject(parent), m_worker(std::move(worker)), m_options(std::move(options)),
      m_feederCache(std::make_shared<FeederCache>())
{
}

SaneScannerService::~SaneScannerService()
{
    if (m_control)
        m_control->canceled = true;
}

QCoro::Task<QList<ScannerDevice>> SaneScannerService::discoverScanners()
{
    const QList<ScannerDevice> sane = co_await discoverSaneDevices();
    co_return mergeUsbDevices(sane, readUsbDevices(m_options.usbRoot));
}

QCoro::Task<QList<ScannerDevice>> SaneScannerService::discoverSaneDevices()
{
    auto mailbox = Mailbox<DiscoveryUpdate>::create();
    m_worker->post([weak = std::weak_ptr(mailbox), cache = m_feederCache](ScanDeviceLayer& layer) {
        const auto send = [&weak](DiscoveryUpdate update) {
            if (auto box = weak.lock())
                box->post(std::move(update));
        };
        const QList<DeviceListing> listing = layer.listDevices();
        const auto entries = [&] {
            QList<ScannerDevice> list;
            for (const DeviceListing& device : listing) {
                const DeviceUnits units = cache->units.value(device.name);
                ScannerDevice entry = saneScannerEntry(device, units.hasFeeder);
                entry.supportsDuplex = units.hasDuplex;
                entry.hasFlatbed = units.hasFlatbed;
                entry.takesScanSettings = units.takesSettings;
                list.append(entry);
            }
            return list;
        };
        send({entries(), false});
        // Only an open device tells its sources; each device is asked once.
        for (const DeviceListing& device : listing) {
            if (cache->units.contains(device.name) || weak.expired())
                continue;
            std::unique_ptr<ScanDeviceHandle> handle;
            if (layer.open(device.name, handle) == DeviceStatus::good && handle)
                cache->units.insert(device.name, probeDeviceUnits(*handle));
        }
        send({entries(), true});
    });

    // A slow network backend must not hold up the list: at the bound, what
    // is known so far is the answer.
    const auto deadline = Clock::now() + m_options.timeouts.discovery;
    std::optional<QList<ScannerDevice>> latest;
    for (;;) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0)
            break;
        std::optional<DiscoveryUpdate> update = co_await mailbox->next(remaining);
        if (!update)
            break;
        latest = update->entries;
        if (update->complete)
            break;
    }
    if (latest)
        m_known = *latest;
    QList<ScannerDevice> devices = m_known;
    sortScannersByName(devices);
    co_return devices;
}

QCoro::Task<ScanBatchResult> SaneScannerService::scanBatch(ScannerDevice device,
                                                           SurveyConfiguration configuration,
                                                           PageDelivered delivered)
{
    if (m_scanning)
        throw ScannerServiceError(Kind::platform, QStringLiteral("A scan is already running."));
    m_scanning = true;
    m_canceled = false;
    m_delivered = std::move(delivered);
    OnExit done{[this] {
        m_scanning = false;
        m_delivered = {};
    }};

    const auto known = [this, &device] {
        return std::any_of(m_known.begin(), m_known.end(),
                           [&device](const ScannerDevice& entry) { return entry.id == device.id; });
    };
    if (!known()) {
        co_await discoverSaneDevices();
        if (!known())
            throw ScannerServiceError(Kind::deviceUnavailable);
    }
    const QString folder = createBatchFolder(m_options.scanRoot, configuration.title,
                                             QDateTime::currentSecsSinceEpoch());
    const PageNumbering numbering =
        pageNumberingFor(configuration.duplexMode, configuration.scanBothSides);
    if (numbering == PageNumbering::manualTwoSided)
        co_return co_await scanTwoPasses(device.id, folder, configuration.questionCount);
    co_return co_await scanOnePass(device.id, folder, numbering, configuration.questionCount);
}

QCoro::Task<ScanBatchResult> SaneScannerService::scanOnePass(QString deviceName, QString folder,
                                                             PageNumbering numbering,
                                                             qint64 questionCount)
{
    const PassOutcome pass = co_await runPass(deviceName, folder, QStringLiteral("surveys"),
                                              numbering == PageNumbering::automaticDuplex);
    if (pass.files.isEmpty())
        throw pass.error.value_or(ScannerServiceError(Kind::scanProducedNoFiles));
    // Sheets numbered two sides each from one side per sheet would join two
    // surveys into one: nothing is paired, the files stay.
    if (numbering == PageNumbering::automaticDuplex &&
        (!pass.duplex || (!pass.error && pass.files.size() % 2 != 0)))
        throw ScannerServiceError(Kind::twoSidedIncomplete,
                                  duplexOneSidedText(pass.files.size(), folder));
    if (m_settings.templateScan && !pass.feeder && !pass.error && pass.files.size() == 1 &&
        m_prompt)
        co_return co_await scanTemplateBack(deviceName, folder, pass.files, questionCount);

    const QDateTime now = QDateTime::currentDateTime();
    ScanBatchResult result;
    result.pages = makePages({pass.files}, numbering, now);
    result.responses = makePlaceholderResponses(result.pages, questionCount, now);
    // The pages scanned before a jam or a cancel are as good as any.
    if (pass.error)
        result.endedEarly = ScanEarlyEnd{stopCauseOf(*pass.error), pass.error->description()};
    co_return result;
}

QCoro::Task<ScanBatchResult> SaneScannerService::scanTemplateBack(QString deviceName,
                                                                  QString folder,
                                                                  QStringList fronts,
                                                                  qint64 questionCount)
{
    const QDateTime now = QDateTime::currentDateTime();
    QStringList backs;
    if (co_await m_prompt->askForTemplateBackSide() == BackSideChoice::scanBacks && !m_canceled) {
        const PassOutcome back =
            co_await runPass(deviceName, folder, QStringLiteral("template-back"), false);
        // A back that did not come is reported; the front stays usable.
        if (back.error && back.error->kind() != Kind::scanCanceled)
            throw *back.error;
        if (back.files.size() == 1)
            backs = back.files;
    }
    ScanBatchResult result;
    result.pages = backs.isEmpty() ? makePages({fronts}, PageNumbering::singleSided, now)
                                   : makeTwoSidedPages(fronts, backs, folder, now);
    result.responses = makePlaceholderResponses(result.pages, questionCount, now);
    co_return result;
}

QCoro::Task<ScanBatchResult> SaneScannerService::scanTwoPasses(QString deviceName, QString folder,
                                                               qint64 questionCount)
{
    const PassOutcome fronts =
        co_await runPass(deviceName, folder, QStringLiteral("fronts"), false);
    if (fronts.error) {
        if (fronts.files.isEmpty())
            throw *fronts.error;
        throw ScannerServiceError(Kind::twoSidedIncomplete,
                                  frontsStoppedText(fronts.files.size(), *fronts.error, folder));
    }
    if (fronts.files.isEmpty())
        throw ScannerServiceError(Kind::scanProducedNoFiles);

    // Backs that do not match the fronts one for one are not paired at all:
    // a missing sheet would shift every survey after it.
    const auto incomplete = [&](qsizetype backs, const std::optional<ScannerServiceError>& error) {
        QString text = unpairedSidesText(fronts.files.size(), backs, folder);
        if (error && error->kind() != Kind::scanCanceled)
            text += QLatin1Char('\n') + error->description();
        return ScannerServiceError(Kind::twoSidedIncomplete, text);
    };
    if (m_prompt && co_await m_prompt->askToReloadBacks() == BackSideChoice::cancel)
        throw incomplete(0, std::nullopt);
    if (m_canceled)
        throw incomplete(0, std::nullopt);
    const PassOutcome backs = co_await runPass(deviceName, folder, QStringLiteral("backs"), false);
    if (backs.error || backs.files.size() != fronts.files.size())
        throw incomplete(backs.files.size(), backs.error);

    const QDateTime now = QDateTime::currentDateTime();
    ScanBatchResult result;
    result.pages = makeTwoSidedPages(fronts.files, backs.files, folder, now);
    result.responses = makePlaceholderResponses(result.pages, questionCount, now);
    co_return result;
}

QCoro::Task<SaneScannerService::PassOutcome> SaneScannerService::runPass(QString deviceName,
                                                                         QString folder,
                                                                         QString documentName,
                                                                         bool wantDuplex)
{
    if (m_canceled)
        co_return PassOutcome{{}, ScannerServiceError(Kind::scanCanceled)};
    auto control = std::make_shared<ScanPassControl>();
    auto mailbox = Mailbox<ScanPassEvent>::create();
    m_control = control;
    m_passMailbox = mailbox;
    OnExit release{[this] {
        m_control.reset();
        m_passMailbox.reset();
    }};

    ScanPassRequest request{deviceName, folder,     documentName,
                            wantDuplex, m_settings, m_options.timeouts.busy};
    m_worker->post([request, control, weak = std::weak_ptr(mailbox)](ScanDeviceLayer& layer) {
        const auto send = [&weak](const ScanPassEvent& event) {
            if (auto box = weak.lock())
                box->post(event);
        };
        try {
            runScanPass(layer, request, *control, send);
        } catch (...) {
            // Out of memory for a huge page, say: the batch must still end.
            send(ScanPassEvent::failure(
                Kind::deviceConnectionFailed,
                QStringLiteral("The scanner operation ended unexpectedly.")));
        }
    });

    const SaneTimeouts& timeouts = m_options.timeouts;
    std::chrono::milliseconds bound = timeouts.open;
    PassOutcome outcome;
    for (;;) {
        std::optional<ScanPassEvent> event = co_await mailbox->next(bound);
        if (!event) {
            // The driver is stuck in a call; the pass is abandoned and stops
            // at its next check if the call ever returns.
            control->canceled = true;
            replaceStuckWorker();
            outcome.error = ScannerServiceError(Kind::driverStopped, timeoutText(bound));
            co_return outcome;
        }
        switch (event->kind) {
        case ScanPassEvent::Kind::opened:
            bound = timeouts.ready;
            break;
        case ScanPassEvent::Kind::ready:
            bound = timeouts.progress;
            outcome.feeder = event->feeder;
            outcome.duplex = event->duplex;
            break;
        case ScanPassEvent::Kind::page:
            outcome.files.append(event->file);
            if (m_delivered)
                m_delivered(event->file);
            break;
        case ScanPassEvent::Kind::finished:
            co_return outcome;
        case ScanPassEvent::Kind::failed:
            outcome.error = ScannerServiceError(event->errorKind, event->errorDetail);
            co_return outcome;
        }
    }
}

void SaneScannerService::replaceStuckWorker()
{
    m_worker->abandon();
    m_worker = m_worker->successor();
    // What the stuck thread learnt about feeders may be half written.
    m_feederCache = std::make_shared<FeederCache>();
}

void SaneScannerService::cancelScan()
{
    if (!m_scanning)
        return;
    m_canceled = true;
    if (m_control)
        m_control->canceled = true;
    // The batch ends now even when the driver is inside a long call; the
    // worker stops the device at its next check.
    if (m_passMailbox) {
        m_passMailbox->push(ScanPassEvent::failure(Kind::scanCanceled));
    }
}
