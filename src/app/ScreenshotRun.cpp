#include "ScreenshotRun.h"

#include "AppServices.h"
#include "ai/AISettingsStore.h"
#include "scanner/SampleScannerService.h"
#include "store/SurveyScanStore.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/AppSection.h"
#include "ui/MainWindow.h"
#include "ui/PageView.h"
#include "ui/ReviewScreen.h"
#include "ui/SettingsWindow.h"
#include "ui/ShortcutsWindow.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QCoro/QCoroTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>

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

// A dark desktop theme as a platform theme would hand it to the application.
QPalette darkDesktopPalette()
{
    QPalette palette;
    const QColor window(0x2d, 0x2f, 0x33);
    const QColor base(0x1f, 0x21, 0x24);
    const QColor text(0xe8, 0xea, 0xed);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0xa0, 0xa6));
    return palette;
}

// Milliseconds of this thread's processor time so far: on a busy machine the
// clock on the wall also counts other programs' turns.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Milliseconds an item change takes on the review screen: moving to the
// next item, and applying one (Enter) until the next is shown.
void logItemChangeTimes(ReviewScreen* review, SurveyScanStore* store, QTextStream& out,
                        const QString& condition)
{
    QList<double> moves;
    QList<double> applies;
    QList<double> appliesWorked;
    QElapsedTimer clock;
    for (int i = 0; i < 10 && store->reviewItems().size() > 1; ++i) {
        clock.start();
        review->step(1);
        moves.append(clock.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < 5 && store->reviewItems().size() > 1; ++i) {
        const QUuid id = review->editor()->itemID();
        for (const QuestionReviewItem& item : store->reviewItems()) {
            if (item.id == id)
                store->updateReviewItem(item, QStringLiteral("N/A"));
        }
        clock.start();
        const double worked = threadMilliseconds();
        review->editor()->apply();
        QCoreApplication::processEvents();
        applies.append(clock.nsecsElapsed() / 1e6);
        appliesWorked.append(threadMilliseconds() - worked);
    }
    const auto median = [](QList<double> values) {
        if (values.isEmpty())
            return 0.0;
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    };
    out << "Between review items (" << condition << "): next item "
        << QString::number(median(moves), 'f', 1) << " ms, Enter to next item "
        << QString::number(median(applies), 'f', 1) << " ms (at most "
        << QString::number(
               applies.isEmpty() ? 0.0 : *std::max_element(applies.begin(), applies.end()), 'f', 1)
        << " ms), of which the interface thread worked "
        << QString::number(median(appliesWorked), 'f', 1) << " ms (medians of " << moves.size()
        << " and " << applies.size() << ")" << Qt::endl;
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
    // Extra pictures of the scan screen once the first page is read (while
    // the feeder still runs when the sample device feeds at a pace), and
    // once the feeder has stopped with pages left to read.
    window->selectSection(AppSection::scan);
    bool readingCaptured = false;
    bool timeLeftCaptured = false;
    const QMetaObject::Connection duringReading = QObject::connect(
        store, &SurveyScanStore::readingProgressChanged, window,
        [&, window](const ReadingProgress& progress) {
            if (!readingCaptured && progress.read >= 1) {
                readingCaptured = true;
                save(window, folder.filePath(QStringLiteral("00-scan-reading.png")), err);
            }
            if (!timeLeftCaptured && store->stage() == ScanStage::extracting &&
                progress.secondsLeft && progress.read < progress.total) {
                timeLeftCaptured = true;
                save(window, folder.filePath(QStringLiteral("00-scan-reading-time-left.png")), err);
            }
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
    ++index;

    // Both review modes.
    window->selectSection(AppSection::review);
    auto* review = static_cast<ReviewScreen*>(window->screen(AppSection::review));
    review->setByQuestion(true);
    co_await settle();
    written =
        save(window,
             folder.filePath(
                 QStringLiteral("%1-review-by-question.png").arg(index++, 2, 10, QLatin1Char('0'))),
             err) &&
        written;
    review->setByQuestion(false);
    // The page beside the crop, as it was read, with the crop outlined.
    review->togglePageView();
    if (!review->pageView()->hasPage())
        co_await qCoro(review->pageView(), &PageView::pageShown);
    co_await settle();
    written =
        save(window,
             folder.filePath(
                 QStringLiteral("%1-review-page-view.png").arg(index++, 2, 10, QLatin1Char('0'))),
             err) &&
        written;
    review->togglePageView();
    co_await settle();
    ShortcutsWindow* shortcuts = window->shortcutsWindow();
    shortcuts->show();
    co_await settle();
    written =
        save(shortcuts,
             folder.filePath(
                 QStringLiteral("%1-keyboard-shortcuts.png").arg(index++, 2, 10, QLatin1Char('0'))),
             err) &&
        written;
    shortcuts->close();

    window->selectSection(AppSection::review);
    co_await settle();
    logItemChangeTimes(review, store, out, QStringLiteral("page view closed"));
    review->togglePageView();
    co_await settle();
    logItemChangeTimes(review, store, out, QStringLiteral("page view open"));
    review->togglePageView();

    // The main window on a dark desktop theme, built after the theme is in
    // place as it is at start-up (icons take their colours when made).
    QApplication::setPalette(darkDesktopPalette());
    theme::apply(*qApp);
    MainWindow dark(store, services.aiSettings());
    dark.resize(window->size());
    dark.show();
    co_await qCoro(&dark, &MainWindow::firstAppearanceFinished);
    for (AppSection section : {AppSection::review, AppSection::answers}) {
        dark.selectSection(section);
        if (section == AppSection::answers) {
            // The written questions' columns, where review tinted the cells.
            auto* answers = static_cast<AnswersScreen*>(dark.screen(section));
            answers->table()->scrollTo(
                answers->model()->index(0, answers->model()->columnCount() - 1));
        }
        co_await settle();
        written = save(&dark,
                       folder.filePath(QStringLiteral("%1-dark-%2.png")
                                           .arg(index++, 2, 10, QLatin1Char('0'))
                                           .arg(rawValue(section).toLower())),
                       err) &&
                  written;
    }
    co_return written ? 0 : 1;
}
