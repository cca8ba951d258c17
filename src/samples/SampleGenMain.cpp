// tallywicket-samplegen: renders filled-in sample surveys and their ground truth.
#include "samples/SampleSet.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // fonts without a display
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallywicket-samplegen"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Renders filled-in copies of the built-in survey as scanned page images, "
                       "with ground-truth.json and ground-truth.csv describing the answers."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("Where the pages are written."));
    const QCommandLineOption surveys(QStringLiteral("surveys"),
                                     QStringLiteral("Number of surveys (default 6)."),
                                     QStringLiteral("N"), QStringLiteral("6"));
    const QCommandLineOption dpi(
        QStringLiteral("dpi"),
        QStringLiteral("Resolution. Default: 300 for classic stacks; mixed stacks print each "
                       "survey at 200 or 300, a one-form stack picks one for the run."),
        QStringLiteral("DPI"));
    const QCommandLineOption stack(
        QStringLiteral("stack"),
        QStringLiteral("classic (default: the demo stack's form and pen), mixed (every survey "
                       "printed differently: fonts, sizes, number formats, boxes or bare labels, "
                       "arrangements, writing spaces; any pen and mark) or one-form (one print "
                       "run; only pens, marks and scan effects vary)."),
        QStringLiteral("KIND"), QStringLiteral("classic"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Random seed for answers and pen (default 1)."),
                                  QStringLiteral("SEED"), QStringLiteral("1"));
    const QCommandLineOption sides(QStringLiteral("sides"),
                                   QStringLiteral("single, duplex (default) or manual."),
                                   QStringLiteral("MODE"), QStringLiteral("duplex"));
    const QCommandLineOption degraded(
        QStringLiteral("degraded"),
        QStringLiteral("Scan effects: skew, noise, JPEG pages and pages fed upside down or "
                       "sideways; for mixed and one-form stacks also paper tone, uneven lamp, "
                       "blur, colour or grey scans and pencil doodles in the margins."));
    const QCommandLineOption skew(
        QStringLiteral("skew"),
        QStringLiteral("Tilt each page by a random angle up to DEGREES either way."),
        QStringLiteral("DEGREES"), QStringLiteral("0"));
    parser.addOptions({surveys, dpi, seed, sides, degraded, skew, stack});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    bool countOk = false;
    bool dpiOk = false;
    bool seedOk = false;
    const int surveyCount = parser.value(surveys).toInt(&countOk);
    const double resolution =
        parser.isSet(dpi) ? parser.value(dpi).toDouble(&dpiOk) : (dpiOk = true, 0.0);
    const std::optional<SampleStackKind> kind = stackKindNamed(parser.value(stack));
    const quint32 randomSeed = parser.value(seed).toUInt(&seedOk);
    bool skewOk = false;
    const double maxSkew = parser.value(skew).toDouble(&skewOk);
    const QString mode = parser.value(sides);
    const bool modeOk = mode == QLatin1String("single") || mode == QLatin1String("duplex") ||
                        mode == QLatin1String("manual");
    const bool resolutionOk = dpiOk && (resolution == 0 || (resolution >= 50 && resolution <= 600));
    if (positional.size() != 1 || !countOk || surveyCount < 1 || !resolutionOk || !seedOk ||
        !modeOk || !kind) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const SampleStackOrder order = mode == QLatin1String("single")   ? SampleStackOrder::singleSided
                                   : mode == QLatin1String("manual") ? SampleStackOrder::manual
                                                                     : SampleStackOrder::duplex;
    try {
        SampleSet set = makeSampleStack({.kind = *kind,
                                         .surveyCount = surveyCount,
                                         .seed = randomSeed,
                                         .dpi = resolution,
                                         .degraded = parser.isSet(degraded),
                                         .order = order});
        if (!qFuzzyIsNull(maxSkew)) {
            QRandomGenerator random(randomSeed);
            for (SampleSetPage& page : set.pages)
                page.options.skewDegrees = (random.generateDouble() * 2 - 1) * maxSkew;
        }
        const QStringList written = writeSampleSet(set, positional.first());
        std::fprintf(stderr, "Wrote %d pages of %d surveys to %s\n", int(written.size()),
                     surveyCount, qPrintable(QDir::toNativeSeparators(positional.first())));
    } catch (const SampleWriteError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
