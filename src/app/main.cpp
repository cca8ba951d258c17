#include "AppServices.h"
#include "ScreenshotRun.h"
#include "reading/AllocatorTuning.h"
#include "ui/BrandMark.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {

QCoro::Task<> runScreenshots(AppServices& services, QString folder)
{
    const int code = co_await captureScreenshots(services, folder);
    QCoreApplication::exit(code);
}

} // namespace

int main(int argc, char* argv[])
{
    keepLargeBlocksForReuse();
    // Tesseract's OpenMP threads slow every page down when several workers
    // read at once; it reads this before the library loads.
    if (qEnvironmentVariableIsEmpty("OMP_THREAD_LIMIT"))
        qputenv("OMP_THREAD_LIMIT", "1");

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tallywicket"));
    QApplication::setApplicationName(QStringLiteral("Tallywicket"));
    QApplication::setApplicationVersion(QStringLiteral(TW_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tallywicket"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Scan paper surveys and turn them into CSV rows and statistics."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Add the \"Sample surveys\" device, which feeds "
                                                 "the bundled sample pages."));
    const QCommandLineOption screenshots(
        QStringLiteral("screenshots"),
        QStringLiteral("With --demo, read the samples and save a picture of every screen into "
                       "<folder>; without a device, save the Scan screen as it is. Then quit."),
        QStringLiteral("folder"));
    const QCommandLineOption demoPace(
        QStringLiteral("demo-pace"),
        QStringLiteral("With --demo, feed the sample sheets at this many sheets per minute, as a "
                       "real feeder would."),
        QStringLiteral("sheets-per-minute"));
    parser.addOption(demo);
    parser.addOption(demoPace);
    parser.addOption(screenshots);
    parser.process(application);

    theme::apply(application);
    const QIcon icon = brand::applicationIcon();
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);

    AppOptions options;
    if (parser.isSet(demo)) {
        options.samplesFolder = findSamplesFolder();
        if (options.samplesFolder.isEmpty())
            qWarning("The sample surveys were not found; the Sample surveys device is missing.");
    }
    if (parser.isSet(demoPace)) {
        bool valid = false;
        options.samplesPace = parser.value(demoPace).toDouble(&valid);
        if (!valid || options.samplesPace <= 0) {
            qCritical("--demo-pace takes a number of sheets per minute above 0.");
            return 2;
        }
    }
    AppServices services(options);
    if (parser.isSet(screenshots)) {
        runScreenshots(services, parser.value(screenshots));
        return QApplication::exec();
    }
    services.window()->show();
    return QApplication::exec();
}
