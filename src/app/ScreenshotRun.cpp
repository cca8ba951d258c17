#include "ScreenshotRun.h"

#include "AppServices.h"
#include "ai/AISettingsStore.h"
#include "scanner/SampleScannerService.h"
#include "store/SurveyScanStore.h"
#include "ui/AppSection.h"
#include "ui/MainWindow.h"
#include "ui/SettingsWindow.h"

#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <chrono>

namespace {

// Lets layouts, timers and deferred deletions settle before a picture.
QCoro::Task<> settle()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(std::chrono::milliseconds(40));
        co_await timer;
    }
}

bool save(QWidget* widget, const QString& path, QTextStream& err)
{
    const QPixmap picture = widget->grab();
    if (picture.isNull() || !picture.save(path, "PNG")) {
        err << "Could not write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

QCoro::Task<int> captureScreenshots(AppServices& services, QString outputFolder)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    QElapsedTimer clock;
    clock.start();
    const auto seconds = [&clock] { return QString::number(clock.elapsed() / 1000.0, 'f', 1); };
    if (!QDir().mkpath(outputFolder)) {
        err << "Could not create the folder " << outputFolder << "\n";
        co_return 1;
    }
    MainWindow* window = services.window();
    SurveyScanStore* store = services.store();
    // Pictures show the screens, not the one-time AI prompt.
    services.aiSettings()->setHasShownFirstRunPrompt(true);
    window->resize(1200, 820);
    window->show();
    co_await qCoro(window, &MainWindow::firstAppearanceFinished);
    out << "Scanner list ready after " << seconds() << " s" << Qt::endl;
    const QDir folder(outputFolder);
    // With no device at all, the Scan screen says so; that is the picture.
    if (store->scanners().isEmpty()) {
        window->selectSection(AppSection::scan);
        co_await settle();
        co_return save(window, folder.filePath(QStringLiteral("00-scan-no-scanner.png")), err) ? 0
                                                                                               : 1;
    }

    store->selectScanner(SampleScannerService::deviceId);
    if (!store->canStartScan()) {
        err << "The sample surveys device is not available: " << store->statusMessage() << "\n";
        co_return 1;
    }
    // One extra picture of the scan screen while the pages are being read.
    window->selectSection(AppSection::scan);
    bool readingCaptured = false;
    const QMetaObject::Connection duringReading = QObject::connect(
        store, &SurveyScanStore::readingProgressChanged, window, [&, window](int read, int) {
            if (readingCaptured || read < 1)
                return;
            readingCaptured = true;
            save(window, folder.filePath(QStringLiteral("00-scan-reading.png")), err);
        });
    co_await store->startScanBatch();
    QObject::disconnect(duringReading);
    out << "Read " << store->pages().size() << " sample pages after " << seconds() << " s"
        << Qt::endl;
    if (store->responses().isEmpty()) {
        err << "The demo batch read no surveys: " << store->statusMessage() << " "
            << store->errorMessage().value_or(QString()) << "\n";
        co_return 1;
    }

    int index = 1;
    bool written = true;
    for (AppSection section : allAppSections()) {
        window->selectSection(section);
        co_await settle();
        const QString name = QStringLiteral("%1-%2.png")
                                 .arg(index++, 2, 10, QLatin1Char('0'))
                                 .arg(rawValue(section).toLower());
        written = save(window, folder.filePath(name), err) && written;
    }
    SettingsWindow* settings = window->settingsWindow();
    settings->present();
    co_await settle();
    written =
        save(settings,
             folder.filePath(QStringLiteral("%1-settings.png").arg(index, 2, 10, QLatin1Char('0'))),
             err) &&
        written;
    settings->close();
    co_return written ? 0 : 1;
}
