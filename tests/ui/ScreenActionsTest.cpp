// The main action of each screen, driven through its widgets as an operator
// would (offscreen). Review has tests of its own.
#include "SaneTestBackend.h"
#include "TestSupport.h"
#include "UiTestSupport.h"

#include "scanner/SaneScannerService.h"
#include "ui/AnswerDetailPane.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/MetricTile.h"
#include "ui/StatisticsScreen.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;
using Command = MainWindow::Command;

namespace {

class ScreenActions : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString file(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

} // namespace

TEST_F(ScreenActions, ProjectIsSavedThroughThePanelAndOpenedAgain)
{
    SampleScanner scanner({feeder()}, samplePages(2));
    NoReading reader;
    App app(file("preferences.ini"), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QCoro::waitFor(app.store->startScanBatch());
    const QString target = file("run.twk");
    {
        FilePanelAnswerer answer([&](QFileDialog* panel) {
            EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_TRUE(panel->selectedFiles().value(0).endsWith("Paper Survey.twk"));
            EXPECT_TRUE(panel->nameFilters().join(' ').contains("*.twk"));
            return target;
        });
        app.window->action(Command::save)->trigger();
        EXPECT_EQ(app.store->statusMessage(), "Saved run.twk.");
        EXPECT_FALSE(app.store->isProjectDirty());

        // Once the project has a file, Save writes there without asking.
        SurveyConfiguration configuration = app.store->configuration();
        configuration.title = "Spring Survey";
        app.store->setConfiguration(configuration);
        app.window->action(Command::save)->trigger();
        EXPECT_EQ(answer.panelsSeen(), 1);
        EXPECT_TRUE(testsupport::readText(target).contains("Spring Survey"));
    }

    app.window->action(Command::newProject)->trigger();
    EXPECT_TRUE(app.store->responses().isEmpty());
    FilePanelAnswerer open([&](QFileDialog* panel) {
        EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptOpen);
        return target;
    });
    app.window->action(Command::openProject)->trigger();
    EXPECT_EQ(open.panelsSeen(), 1);
    EXPECT_EQ(app.store->statusMessage(), "Opened run.twk.");
    EXPECT_EQ(app.store->configuration().title, "Spring Survey");
    EXPECT_EQ(app.store->responses().size(), 1);
}

TEST_F(ScreenActions, AnswersAreEditedAndDeletedAndStatisticsFollow)
{
    SampleScanner scanner({feeder()}, samplePages(4));
    NoReading reader;
    App app(file("preferences.ini"), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QCoro::waitFor(app.store->startScanBatch());
    ASSERT_EQ(app.store->responses().size(), 2);

    app.window->selectSection(AppSection::answers);
    auto* answers = static_cast<AnswersScreen*>(app.window->screen(AppSection::answers));
    app.store->setSelectedSurveyNumber(1);
    QLineEdit* third = answers->detail()->answerFields().value(2);
    ASSERT_NE(third, nullptr);
    third->setText("Edited by hand");
    Q_EMIT third->editingFinished();
    EXPECT_EQ(app.store->answerValue(1, 3), "Edited by hand");
    AnswersTableModel* model = answers->model();
    EXPECT_EQ(model->data(model->index(0, AnswersTableModel::fixedColumns + 2), Qt::DisplayRole)
                  .toString(),
              "Edited by hand");

    // Statistics: a card per question and the summary tiles.
    auto* statistics = static_cast<StatisticsScreen*>(app.window->screen(AppSection::statistics));
    statistics->rebuild();
    EXPECT_EQ(statistics->cards().size(), 14);
    ASSERT_EQ(statistics->metrics().size(), 4);
    EXPECT_EQ(statistics->metrics()[0]->value(), "2");
    EXPECT_EQ(statistics->metrics()[1]->value(), "1");

    MessageBoxClicker agree("Delete");
    QTest::mouseClick(answers->detail()->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(agree.text, "Delete survey 1?");
    ASSERT_EQ(app.store->responses().size(), 1);
    EXPECT_EQ(app.store->responses()[0].surveyNumber, 2);
    EXPECT_EQ(model->rowCount(), 1);
    statistics->rebuild();
    EXPECT_EQ(statistics->metrics()[0]->value(), "1");
    EXPECT_EQ(statistics->metrics()[1]->value(), "0");
}

// The SANE test backend, slowed down so that a pass can be cancelled in the
// middle of its ten pages.
TEST_F(ScreenActions, ScanStartsFromTheButtonAndCancelKeepsThePagesScanned)
{
    SaneScannerService scanner(
        SaneTestBackend::start(
            "number_of_devices 1\nresolution 25\nread-limit true\n"
            "read-limit-size 2048\nread-delay true\nread-delay-duration 20000\n"),
        SaneServiceOptions{file("scans"), file("no-usb"), {}});
    NoReading reader;
    App app(file("preferences.ini"), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.store->canStartScan(); }, 10000));
    // Pages of 10 dpi take a tenth of a second each; the preferences offer
    // no resolution as small.
    app.store->setScanPreferences(nullptr);
    ScanSettings small;
    small.resolution = 10;
    scanner.setScanSettings(small);
    SurveyConfiguration configuration = app.store->configuration();
    configuration.scanBothSides = false;
    app.store->setConfiguration(configuration);

    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);
    auto* cancel = scan->findChild<QPushButton*>("cancelScan");
    ASSERT_NE(cancel, nullptr);
    auto* counts = scan->findChild<QLabel*>("scanProgress");
    ASSERT_NE(counts, nullptr);
    QTest::mouseClick(scan->findChild<QPushButton*>("startScan"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.store->readingProgress().scanned >= 1; }, 20000));
    EXPECT_TRUE(cancel->isVisible());
    // The feeder's count shows while it runs; this reader reads at the end.
    EXPECT_TRUE(counts->isVisible());
    EXPECT_TRUE(counts->text().startsWith("Scanned ") && counts->text().endsWith(" · Read 0"))
        << counts->text().toStdString();
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.store->stage() != ScanStage::scanning; }, 20000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return app.store->stage() != ScanStage::extracting; }, 20000));

    EXPECT_FALSE(cancel->isVisible());
    const qsizetype kept = app.store->responses().size();
    EXPECT_GE(kept, 1);
    EXPECT_LT(kept, 10);
    EXPECT_TRUE(
        app.store->errorMessage().value_or(QString()).contains("before the scan was canceled"))
        << app.store->errorMessage().value_or(QString()).toStdString();
}
