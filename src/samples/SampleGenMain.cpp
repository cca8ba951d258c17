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
    const QCommandLineOption dpi(QStringLiteral("dpi"), QStringLiteral("Resolution (default 300)."),
                                 QStringLiteral("DPI"), QStringLiteral("300"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Random seed for answers and pen (default 1)."),
                                  QStringLiteral("SEED"), QStringLiteral("1"));
    const QCommandLineOption sides(QStringLiteral("sides"),
                                   QStringLiteral("single, duplex (default) or manual."),
                                   QStringLiteral("MODE"), QStringLiteral("duplex"));
    const QCommandLineOption degraded(
        QStringLiteral("degraded"),
        QStringLiteral("Skew, noise, JPEG pages and pages fed upside down or sideways."));
    const QCommandLineOption skew(
        QStringLiteral("skew"),
        QStringLiteral("Tilt each page by a random angle up to DEGREES either way."),
        QStringLiteral("DEGREES"), QStringLiteral("0"));
    parser.addOptions({surveys, dpi, seed, sides, degraded, skew});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    bool countOk = false;
    bool dpiOk = false;
    bool seedOk = false;
    const int surveyCount = parser.value(surveys).toInt(&countOk);
    const double resolution = parser.value(dpi).toDouble(&dpiOk);
    const quint32 randomSeed = parser.value(seed).toUInt(&seedOk);
    bool skewOk = false;
    const double maxSkew = parser.value(skew).toDouble(&skewOk);
    const QString mode = parser.value(sides);
    const bool modeOk = mode == QLatin1String("single") || mode == QLatin1String("duplex") ||
                        mode == QLatin1String("manual");
    if (positional.size() != 1 || !countOk || surveyCount < 1 || !dpiOk || resolution < 50 ||
        resolution > 600 || !seedOk || !modeOk) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const SampleStackOrder order = mode == QLatin1String("single")   ? SampleStackOrder::singleSided
                                   : mode == QLatin1String("manual") ? SampleStackOrder::manual
                                                                     : SampleStackOrder::duplex;
    try {
        SampleSet set =
            makeSampleSet(surveyCount, randomSeed, resolution, parser.isSet(degraded), order);
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
