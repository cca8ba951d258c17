// tallywicket-flow-bench: one scan batch through the whole store, headless:
// the sample device feeds a generated duplex stack at a set pace, the page
// reader reads, the batch is merged, the CSV appended and the project file
// written. Prints how long the operator waits after the last page.
#include "ai/AISettingsStore.h"
#include "reading/AllocatorTuning.h"
#include "reading/VisionSurveyExtractionService.h"
#include "samples/SampleSet.h"
#include "scanner/SampleScannerService.h"
#include "store/FilePanels.h"
#include "store/SurveyScanStore.h"

#include <QCommandLineParser>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Answers the project and CSV panels with fixed paths.
class FixedPanels : public FilePanels
{
public:
    FixedPanels(QString project, QString csv) : m_project(std::move(project)), m_csv(std::move(csv))
    {
    }
    std::optional<QString> chooseFile(const FilePanelRequest& request) override
    {
        return request.fileType == FilePanelRequest::FileType::csv ? m_csv : m_project;
    }
    bool confirmDiscardChanges(DiscardReason) override { return true; }

private:
    QString m_project;
    QString m_csv;
};

// The sample device, with the moment each page was delivered. With
// `wholePass` the pages are kept back until the pass ends, as a scanner
// layer that cannot report pages would: reading then starts after the scan.
class TimedScanner : public ScannerService
{
public:
    TimedScanner(ScannerService* inner, QElapsedTimer* clock, bool wholePass)
        : m_inner(inner), m_clock(clock), m_wholePass(wholePass)
    {
    }
    QCoro::Task<QList<ScannerDevice>> discoverScanners() override
    {
        return m_inner->discoverScanners();
    }
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered) override
    {
        auto scan = m_inner->scanBatch(std::move(device), std::move(configuration),
                                       [this, delivered](const QString& file) {
                                           deliveries.append(m_clock->nsecsElapsed() / 1e9);
                                           lastDelivery = QDateTime::currentDateTime();
                                           if (!m_wholePass && delivered)
                                               delivered(file);
                                       });
        ScanBatchResult result = co_await std::move(scan);
        co_return result;
    }
    void cancelScan() override { m_inner->cancelScan(); }

    QList<double> deliveries; // seconds on the bench's clock
    QDateTime lastDelivery;

private:
    ScannerService* m_inner;
    QElapsedTimer* m_clock;
    bool m_wholePass;
};

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// Processor seconds of every thread of this process so far.
double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct BatchTimes
{
    double lastReadAt = -1;      // the last page was read
    int readAtLastDelivery = -1; // pages read when the pass ended
};

QCoro::Task<> runBatch(SurveyScanStore& store, const QElapsedTimer& clock, BatchTimes& times)
{
    const QMetaObject::Connection stages =
        QObject::connect(&store, &SurveyScanStore::stageChanged, &store, [&](ScanStage stage) {
            if (stage == ScanStage::extracting)
                times.readAtLastDelivery = store.readingProgress().read;
        });
    int read = 0;
    const QMetaObject::Connection reads =
        QObject::connect(&store, &SurveyScanStore::readingProgressChanged, &store,
                         [&](const ReadingProgress& progress) {
                             if (progress.read > read)
                                 times.lastReadAt = clock.nsecsElapsed() / 1e9;
                             read = progress.read;
                         });
    auto batch = store.startScanBatch();
    co_await std::move(batch);
    QObject::disconnect(stages);
    QObject::disconnect(reads);
}

} // namespace

int main(int argc, char** argv)
{
    keepLargeBlocksForReuse();
    // One Tesseract instance per worker: its own threads would only compete.
    if (qEnvironmentVariableIsEmpty("OMP_THREAD_LIMIT"))
        qputenv("OMP_THREAD_LIMIT", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scans a generated duplex stack from the sample device at a set pace through the "
        "whole store (local reading only, a connected CSV, a project file, review crops) and "
        "prints the time from the last page delivered to the CSV written, wall time per page "
        "and peak memory."));
    parser.addHelpOption();
    const QCommandLineOption sheets(QStringLiteral("sheets"),
                                    QStringLiteral("Duplex sheets in the stack (default 50)."),
                                    QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Sheets per minute the feeder delivers "
                                                 "(default 60)."),
                                  QStringLiteral("SHEETS"), QStringLiteral("60"));
    const QCommandLineOption dpi(QStringLiteral("dpi"),
                                 QStringLiteral("Resolution of the pages (default 300)."),
                                 QStringLiteral("DPI"), QStringLiteral("300"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the stack (default 4242)."),
                                  QStringLiteral("SEED"), QStringLiteral("4242"));
    const QCommandLineOption workers(
        QStringLiteral("jobs"), QStringLiteral("Reading workers (default: every core)."),
        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    const QCommandLineOption wholePass(
        QStringLiteral("whole-pass"),
        QStringLiteral("Read only after the pass, as before pages were read while scanning."));
    const QCommandLineOption generateInto(
        QStringLiteral("generate-into"),
        QStringLiteral("Only draw the stack into FOLDER (the benchmark runs this itself)."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption drawnStack(
        QStringLiteral("stack"),
        QStringLiteral("Feed the pages --generate-into drew into FOLDER before, instead of "
                       "drawing a stack (repeated runs skip the drawing)."),
        QStringLiteral("FOLDER"));
    parser.addOptions({sheets, pace, dpi, seed, workers, wholePass, generateInto, drawnStack});
    parser.process(app);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "No temporary folder: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    const int sheetCount = qMax(1, parser.value(sheets).toInt());
    const double sheetsPerMinute = parser.value(pace).toDouble();
    const QString stack = parser.isSet(generateInto) ? parser.value(generateInto)
                          : parser.isSet(drawnStack) ? parser.value(drawnStack)
                                                     : dir.filePath(QStringLiteral("stack"));
    if (parser.isSet(generateInto)) {
        try {
            writeSampleSet(makeSampleStack({.kind = SampleStackKind::classic,
                                            .surveyCount = sheetCount,
                                            .seed = parser.value(seed).toUInt(),
                                            .dpi = parser.value(dpi).toDouble(),
                                            .degraded = true,
                                            .order = SampleStackOrder::duplex}),
                           stack);
        } catch (const SampleWriteError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        return 0;
    }
    // The stack is drawn by a child process, so that the peak memory below
    // is the flow's own.
    if (parser.isSet(drawnStack)) {
        std::printf("stack: drawn before in %s\n", qPrintable(stack));
    } else {
        QElapsedTimer setupClock;
        setupClock.start();
        QStringList childArguments = QCoreApplication::arguments().mid(1);
        childArguments << QStringLiteral("--generate-into") << stack;
        if (QProcess::execute(QCoreApplication::applicationFilePath(), childArguments) != 0) {
            std::fprintf(stderr, "The stack could not be generated.\n");
            return 1;
        }
        std::printf("stack: %d duplex sheets at %s dpi, generated in %.1f s\n", sheetCount,
                    qPrintable(parser.value(dpi)), setupClock.nsecsElapsed() / 1e9);
    }

    QSettings preferences(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    AISettingsStore aiSettings(&preferences);
    aiSettings.setDetectionMode(AIDetectionMode::localOnly);
    SampleScannerService sample(stack, dir.filePath(QStringLiteral("scans")), sheetsPerMinute);
    QElapsedTimer clock;
    TimedScanner scanner(&sample, &clock, parser.isSet(wholePass));
    VisionSurveyExtractionService reader(qMax(1, parser.value(workers).toInt()));
    const QString csv = dir.filePath(QStringLiteral("out/answers.csv"));
    FixedPanels panels(dir.filePath(QStringLiteral("out/survey.twk")), csv);
    SurveyScanStore store(&scanner, &reader, &aiSettings, nullptr, &panels);

    QCoro::waitFor(store.refreshScanners());
    store.selectScanner(SampleScannerService::deviceId);
    store.saveProjectAs();
    store.chooseCSVFile();
    if (!store.canStartScan() || !store.csvURL() || !store.projectURL()) {
        std::fprintf(stderr, "The store is not ready to scan: %s\n",
                     qPrintable(store.statusMessage()));
        return 1;
    }

    BatchTimes times;
    const double processorBefore = processorSeconds();
    clock.start();
    QCoro::waitFor(runBatch(store, clock, times));
    const double finishedAt = clock.nsecsElapsed() / 1e9;
    if (scanner.deliveries.isEmpty() || store.responses().isEmpty()) {
        std::fprintf(stderr, "The batch read nothing: %s %s\n", qPrintable(store.statusMessage()),
                     qPrintable(store.errorMessage().value_or(QString())));
        return 1;
    }
    const double firstPage = scanner.deliveries.first();
    const double lastPage = scanner.deliveries.last();
    const qint64 csvWrittenMs =
        scanner.lastDelivery.msecsTo(QFileInfo(csv).fileTime(QFileDevice::FileModificationTime));
    const qsizetype pages = store.pages().size();

    std::printf("flow: %s, %d reading workers, feeder at %s sheets/min\n",
                parser.isSet(wholePass) ? "whole pass, read after the scan"
                                        : "pages read while scanned",
                reader.workerCount(), qPrintable(parser.value(pace)));
    std::printf("scanned %lld pages in %.1f s (first page after %.1f s)\n", qint64(pages),
                lastPage - firstPage, firstPage);
    std::printf("pages read when the last one was delivered: %d of %lld\n",
                times.readAtLastDelivery, qint64(pages));
    std::printf("last page delivered -> CSV written: %.2f s (target under 2 s)\n",
                csvWrittenMs / 1000.0);
    const double readingDone = std::max(times.lastReadAt, lastPage);
    std::printf("  of which reading the pages still waiting: %.2f s\n", readingDone - lastPage);
    std::printf("  last page read -> batch finished (fold, crops, merge, CSV, project): %.2f s\n",
                finishedAt - readingDone);
    std::printf("wall per page, scan start to batch finished: %.3f s\n", finishedAt / pages);
    std::printf("processor time per page (all threads, whole flow): %.3f s\n",
                (processorSeconds() - processorBefore) / pages);
    std::printf("peak memory: %.0f MiB\n", peakMemoryMiB());
    std::printf("result: %s\n", qPrintable(store.statusMessage()));
    if (store.errorMessage())
        std::printf("errors: %s\n", qPrintable(*store.errorMessage()));
    return 0;
}
