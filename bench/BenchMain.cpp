// tallywicket-bench: reads generated survey stacks the way `tallywicket-cli
// read --sides duplex` does and prints accuracy, speed and memory.
#include "BenchScoring.h"
#include "RecognitionBaseline.h"
#include "reading/AllocatorTuning.h"
#include "reading/VisionSurveyExtractionService.h"
#include "scanner/PageNumbering.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sys/resource.h>

namespace {

struct Timing
{
    SurveyExtractionResult result;
    double medianSecondsPerPage = 0;
    double totalSeconds = 0;
};

// Reads the pages with `jobs` workers, as the command line does: the
// built-in template, pages in the order given, fronts and backs in turn.
// Pages finish one after another (in any order), so the gaps between
// finishes are the seconds per page.
Timing timeReading(const QList<ScanPage>& pages, int jobs)
{
    QElapsedTimer clock;
    QList<double> gaps;
    double last = 0;
    clock.start();
    Timing timing;
    timing.result = extractPagesSync(pages, SurveyConfiguration{}, false, jobs, [&](int, int) {
        const double now = clock.nsecsElapsed() / 1e9;
        gaps.append(now - last);
        last = now;
    });
    timing.totalSeconds = clock.nsecsElapsed() / 1e9;
    timing.medianSecondsPerPage = medianOf(gaps);
    return timing;
}

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

double percent(int part, int whole)
{
    return whole > 0 ? 100.0 * part / whole : 0;
}

void printTally(const char* indent, const QString& name, const CellTally& tally)
{
    std::printf("%s%-34s %4d cells  right %6.2f%%  wrong-flagged %5.2f%%  wrong-silent %5.2f%%  "
                "to review %5.1f%%\n",
                indent, qPrintable(name), tally.cells, percent(tally.correct, tally.cells),
                percent(tally.wrongFlagged, tally.cells), percent(tally.silent, tally.cells),
                percent(tally.reviewed, tally.cells));
}

void printGroups(const char* title, const QMap<QString, CellTally>& groups)
{
    std::printf("  choice cells by %s:\n", title);
    for (auto it = groups.begin(); it != groups.end(); ++it)
        printTally("    ", it.key(), it.value());
}

// One stack the benchmark can read.
struct StackPlan
{
    QString name;
    SampleStackKind kind = SampleStackKind::mixed;
    quint32 seed = 0;
    bool degraded = true;
    bool heldOut = false;
};

struct SetSummary
{
    QString name;
    AccuracyScore score;
    int pages = 0;
    double secondsPerPage = 0;
};

// The reader's seconds per page beside one plain recognition pass over the
// same files, measured right after it.
void printBaseline(const QStringList& files, double readerSecondsPerPage)
{
    const double plain = tesseractSecondsPerPage(files);
    if (plain <= 0) {
        std::printf("  tesseract pass: could not be run\n");
        return;
    }
    std::printf("  tesseract pass (one thread): %.3f s/page; reader/tesseract = %.2f\n", plain,
                readerSecondsPerPage / plain);
}

SetSummary runStack(const StackPlan& plan, int surveys, double dpi, int jobs, bool details,
                    bool singleTiming, bool baseline, const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    const SampleSet set = makeSampleStack({.kind = plan.kind,
                                           .surveyCount = surveys,
                                           .seed = plan.seed,
                                           .dpi = dpi,
                                           .degraded = plan.degraded,
                                           .order = SampleStackOrder::duplex});
    QList<QStringList> passes;
    const QStringList files = writeSampleSet(set, folder);
    for (const QString& path : files)
        passes.append({path}); // one pass each keeps the order given, as the command line does
    const QList<ScanPage> pages = makePages(passes, PageNumbering::automaticDuplex);
    std::printf("== %s: %s stack, seed %u, %d surveys, %lld pages (generated in %.1f s)\n",
                qPrintable(plan.name), qPrintable(stackKindName(plan.kind)), plan.seed, surveys,
                qint64(pages.size()), clock.nsecsElapsed() / 1e9);
    std::fflush(stdout);
    if (singleTiming) {
        const Timing single = timeReading(pages, 1);
        std::printf("one worker: median %.3f s/page (total %.1f s)\n", single.medianSecondsPerPage,
                    single.totalSeconds);
    }
    const Timing all = timeReading(pages, jobs);
    const double perPage = all.totalSeconds / qMax<qsizetype>(1, pages.size());
    std::printf("%d workers: %.3f s/page overall (median gap %.3f s, total %.1f s), skipped "
                "pages %lld\n",
                jobs, perPage, all.medianSecondsPerPage, all.totalSeconds,
                qint64(all.result.skippedPages.size()));
    if (baseline)
        printBaseline(files, perPage);

    const AccuracyScore score = scoreReading(set, all.result);
    printTally("  ", QStringLiteral("choice cells"), score.choice);
    printTally("  ", QStringLiteral("written cells"), score.written);
    printTally("  ", QStringLiteral("all cells"), score.all);
    std::printf("  written cells in silent errors: %d\n", score.written.silent);
    printGroups("mark style", score.byMarkStyle);
    printGroups("pen", score.byPen);
    printGroups("resolution", score.byDpi);
    printGroups("layout", score.byLayout);
    if (details && !plan.heldOut) {
        for (const WrongAnswer& wrong : score.wrong)
            std::printf("  wrong: survey %lld Q%lld (%s) expected \"%s\" read \"%s\"%s\n",
                        wrong.surveyNumber, wrong.questionNumber, qPrintable(wrong.markStyle),
                        qPrintable(wrong.expected), qPrintable(wrong.read),
                        wrong.reviewed ? "" : "  SILENT");
        for (const WrongAnswer& right : score.reviewedRight)
            std::printf("  reviewed: survey %lld Q%lld (%s) \"%s\": %s\n", right.surveyNumber,
                        right.questionNumber, qPrintable(right.markStyle), qPrintable(right.read),
                        qPrintable(right.note));
    }
    std::fflush(stdout);
    return {plan.name, score, int(pages.size()), perPage};
}

} // namespace

int main(int argc, char** argv)
{
    keepLargeBlocksForReuse();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Generates survey stacks, reads them as `tallywicket-cli read --sides duplex` does and "
        "prints accuracy (right, wrong but sent to review, wrong and silent; per mark style, "
        "pen, resolution and layout), seconds per page and peak memory.\n\n"
        "Sets: tuning-mixed, tuning-one-form (tune on these), held-out-mixed, "
        "held-out-one-form (judge on these; their cells are never listed), classic-clean, "
        "classic-degraded (the demo stack's form)."));
    parser.addHelpOption();
    const QCommandLineOption surveys(
        QStringLiteral("surveys"), QStringLiteral("Surveys per set, two pages each (default 40)."),
        QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption sets(
        QStringLiteral("sets"),
        QStringLiteral("Comma-separated sets to run (default: tuning-mixed,tuning-one-form,"
                       "held-out-mixed,held-out-one-form)."),
        QStringLiteral("LIST"),
        QStringLiteral("tuning-mixed,tuning-one-form,held-out-mixed,held-out-one-form"));
    const QCommandLineOption tuningSeed(QStringLiteral("tuning-seed"),
                                        QStringLiteral("Seed of the tuning sets (default 2026)."),
                                        QStringLiteral("SEED"), QStringLiteral("2026"));
    const QCommandLineOption heldOutSeed(
        QStringLiteral("held-out-seed"),
        QStringLiteral("Seed of the held-out sets (default 90417). Never tune on it."),
        QStringLiteral("SEED"), QStringLiteral("90417"));
    const QCommandLineOption dpi(
        QStringLiteral("dpi"),
        QStringLiteral("Print every set at this resolution (default: 200 or 300 as drawn)."),
        QStringLiteral("DPI"), QStringLiteral("0"));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"), QStringLiteral("Reading workers (default: every core)."),
        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    const QCommandLineOption details(QStringLiteral("details"),
                                     QStringLiteral("List every wrong cell of the tuning and "
                                                    "classic sets."));
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep the generated pages in FOLDER/SET."),
                                  QStringLiteral("FOLDER"));
    const QCommandLineOption skipSingle(
        QStringLiteral("skip-single"),
        QStringLiteral("Leave out the one-worker timing of the classic clean set."));
    const QCommandLineOption baseline(
        QStringLiteral("baseline"),
        QStringLiteral("Also time one single-threaded `tesseract PAGE -` pass over each set's "
                       "pages and print the reader's time against it."));
    parser.addOptions(
        {surveys, sets, tuningSeed, heldOutSeed, dpi, jobs, details, keep, skipSingle, baseline});
    parser.addPositionalArgument(
        QStringLiteral("pages"),
        QStringLiteral("Page files to time instead of the sets (no scoring), with the "
                       "tesseract pass beside them."),
        QStringLiteral("[PAGE...]"));
    parser.process(app);
    const int count = qMax(1, parser.value(surveys).toInt());
    const int workers = qMax(1, parser.value(jobs).toInt());
    const quint32 tuning = parser.value(tuningSeed).toUInt();
    const quint32 heldOut = parser.value(heldOutSeed).toUInt();

    const QList<StackPlan> known{
        {QStringLiteral("tuning-mixed"), SampleStackKind::mixed, tuning},
        {QStringLiteral("tuning-one-form"), SampleStackKind::oneForm, tuning},
        {QStringLiteral("held-out-mixed"), SampleStackKind::mixed, heldOut, true, true},
        {QStringLiteral("held-out-one-form"), SampleStackKind::oneForm, heldOut, true, true},
        {QStringLiteral("classic-clean"), SampleStackKind::classic, 101, false},
        {QStringLiteral("classic-degraded"), SampleStackKind::classic, 202, true},
    };
    QList<StackPlan> chosen;
    for (const QString& name : parser.value(sets).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto it = std::find_if(known.begin(), known.end(),
                                     [&](const StackPlan& plan) { return plan.name == name; });
        if (it == known.end()) {
            std::fprintf(stderr, "tallywicket-bench: unknown set \"%s\"\n\n%s", qPrintable(name),
                         qPrintable(parser.helpText()));
            return 2;
        }
        chosen.append(*it);
    }

    if (const QStringList files = parser.positionalArguments(); !files.isEmpty()) {
        QList<QStringList> passes;
        for (const QString& file : files)
            passes.append({file});
        const QList<ScanPage> pages = makePages(passes, PageNumbering::automaticDuplex);
        const Timing reading = timeReading(pages, workers);
        const double perPage = reading.totalSeconds / double(pages.size());
        std::printf("%lld pages, %d workers: %.3f s/page overall, skipped pages %lld\n",
                    qint64(pages.size()), workers, perPage,
                    qint64(reading.result.skippedPages.size()));
        printBaseline(files, perPage);
        std::printf("peak memory: %.0f MiB\n", peakMemoryMiB());
        return 0;
    }

    QList<SetSummary> summaries;
    for (const StackPlan& plan : chosen) {
        QTemporaryDir scratch;
        const QString folder =
            parser.isSet(keep) ? QDir(parser.value(keep)).filePath(plan.name) : scratch.path();
        const bool single =
            plan.name == QLatin1String("classic-clean") && !parser.isSet(skipSingle);
        summaries.append(runStack(plan, count, parser.value(dpi).toDouble(), workers,
                                  parser.isSet(details), single, parser.isSet(baseline), folder));
    }

    std::printf("\n== summary (%d surveys per set)\n", count);
    for (const SetSummary& summary : summaries) {
        const AccuracyScore& s = summary.score;
        std::printf(
            "%s: choice_cells=%d choice_correct=%.1f%% choice_silent=%.1f%% "
            "choice_review_rate=%.1f%% cells=%d correct=%.1f%% silent_errors=%.1f%% "
            "review_rate=%.1f%% written_silent=%d seconds_per_page=%.2f\n",
            qPrintable(summary.name), s.choice.cells, percent(s.choice.correct, s.choice.cells),
            percent(s.choice.silent, s.choice.cells), percent(s.choice.reviewed, s.choice.cells),
            s.all.cells, percent(s.all.correct, s.all.cells), percent(s.all.silent, s.all.cells),
            percent(s.all.reviewed, s.all.cells), s.written.silent, summary.secondsPerPage);
    }
    std::printf("peak memory: %.0f MiB\n", peakMemoryMiB());
    return 0;
}
