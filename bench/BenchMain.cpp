// tallywicket-bench: reads generated survey pages and prints speed, memory and accuracy.
#include "BenchScoring.h"
#include "reading/VisionSurveyExtractionService.h"
#include "scanner/PageNumbering.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMap>
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

// Reads the pages with `jobs` workers. Pages finish one after another
// (in any order), so the gaps between finishes are the seconds per page.
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

void printScore(const char* name, const AccuracyScore& score)
{
    std::printf("%s: choice answers correct %d/%d = %.2f%%, silent errors %d = %.2f%%, "
                "cells sent to review %d/%d = %.1f%%, written answers right %d/%d\n",
                name, score.choiceCorrect, score.choiceCells,
                percent(score.choiceCorrect, score.choiceCells), score.silentErrors,
                percent(score.silentErrors, score.choiceCells), score.reviewedCells, score.cells,
                percent(score.reviewedCells, score.cells), score.writtenCorrect,
                score.writtenCells);
    QMap<qint64, int> byQuestion;
    QMap<QString, int> byStyle;
    for (const WrongAnswer& wrong : score.wrong) {
        ++byQuestion[wrong.questionNumber];
        ++byStyle[wrong.markStyle.isEmpty() ? QStringLiteral("blank") : wrong.markStyle];
        std::printf(
            "  wrong: survey %lld Q%lld (%s) expected \"%s\" read \"%s\"%s\n", wrong.surveyNumber,
            wrong.questionNumber, wrong.markStyle.isEmpty() ? "blank" : qPrintable(wrong.markStyle),
            qPrintable(wrong.expected), qPrintable(wrong.read), wrong.reviewed ? "" : "  SILENT");
    }
    for (auto it = byQuestion.begin(); it != byQuestion.end(); ++it)
        std::printf("  wrong on Q%lld: %d\n", it.key(), it.value());
    for (auto it = byStyle.begin(); it != byStyle.end(); ++it)
        std::printf("  wrong with %s: %d\n", qPrintable(it.key()), it.value());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads generated 300 dpi survey pages, clean and degraded, and prints "
                       "seconds per page, peak memory and accuracy."));
    parser.addHelpOption();
    const QCommandLineOption surveys(
        QStringLiteral("surveys"), QStringLiteral("Surveys per set, two pages each (default 10)."),
        QStringLiteral("N"), QStringLiteral("10"));
    const QCommandLineOption skipSingle(QStringLiteral("skip-single"),
                                        QStringLiteral("Leave out the one-worker timing."));
    parser.addOptions({surveys, skipSingle});
    parser.process(app);
    const int count = qMax(1, parser.value(surveys).toInt());
    const int cores = QThread::idealThreadCount();

    QTemporaryDir folder;
    const struct
    {
        const char* name;
        bool degraded;
        quint32 seed;
    } sets[] = {{"clean", false, 101}, {"degraded", true, 202}};
    for (const auto& stack : sets) {
        const SampleSet set =
            makeSampleSet(count, stack.seed, 300, stack.degraded, SampleStackOrder::duplex);
        QList<QStringList> passes;
        for (const QString& path :
             writeSampleSet(set, folder.filePath(QString::fromLatin1(stack.name))))
            passes.append({path});
        const QList<ScanPage> pages = makePages(passes, PageNumbering::automaticDuplex);
        std::printf("== %s set: %lld pages at 300 dpi\n", stack.name, qint64(pages.size()));
        std::fflush(stdout);
        if (!stack.degraded && !parser.isSet(skipSingle)) {
            const Timing single = timeReading(pages, 1);
            std::printf("one worker: median %.3f s/page (total %.1f s)\n",
                        single.medianSecondsPerPage, single.totalSeconds);
        }
        const Timing all = timeReading(pages, cores);
        std::printf("all %d cores: median %.3f s/page (total %.1f s, %.3f s/page overall)\n", cores,
                    all.medianSecondsPerPage, all.totalSeconds, all.totalSeconds / pages.size());
        std::printf("skipped pages: %lld\n", qint64(all.result.skippedPages.size()));
        printScore(stack.name, scoreReading(set, all.result));
        std::fflush(stdout);
    }
    std::printf("peak memory: %.0f MiB\n", peakMemoryMiB());
    return 0;
}
