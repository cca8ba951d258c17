// The main window and the main action of each screen, driven through their
// widgets as an operator would (offscreen). Review has tests of its own.
#include "SaneTestBackend.h"
#include "TestSupport.h"
#include "UiTestSupport.h"

#include "scanner/SaneScannerService.h"
#include "ui/AnswerDetailPane.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/MetricTile.h"
#include "ui/SettingsWindow.h"
#include "ui/StatisticsScreen.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
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

    template <typename T> static T* child(QWidget* parent, const char* name)
    {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
};
using MainWindowTest = ScreenActions;

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
    auto* cancel = child<QPushButton>(scan, "cancelScan");
    auto* counts = child<QLabel>(scan, "scanProgress");
    ASSERT_TRUE(cancel && counts);
    QTest::mouseClick(child<QPushButton>(scan, "startScan"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.store->readingProgress().scanned >= 1; }, 20000));
    EXPECT_TRUE(cancel->isVisible());
    // The feeder's count shows while it runs, with the pages read so far
    // (this reader counts each page read as it arrives, or not yet).
    EXPECT_TRUE(counts->isVisible());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Scanned \\d+ · Read \\d+$"))
                    .match(counts->text())
                    .hasMatch())
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

// The scan screen follows the devices: nothing starts without a scanner, a
// blank project name disables the start, and the scan settings are shown for
// every device, enabled where it takes them and kept per device.
TEST_F(MainWindowTest, ScanCommandsAndSettingsFollowTheScannerAndTheConfiguration)
{
    SampleScanner none({});
    NoReading reader;
    App app(file("preferences.ini"), &none, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);
    QAction* start = app.window->action(Command::startScanBatch);
    EXPECT_TRUE(child<QLabel>(scan, "noScannerTitle")->isVisible());
    EXPECT_FALSE(child<QWidget>(scan, "devicePicker")->isVisible());
    EXPECT_FALSE(start->isEnabled());
    QTest::keyClick(app.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::mouseClick(child<QPushButton>(scan, "startScan"), Qt::LeftButton);
    EXPECT_TRUE(none.scanConfigurations.isEmpty());
    // Without an import service there is nothing to import either.
    EXPECT_FALSE(child<QPushButton>(scan, "importScannedFiles")->isEnabled());

    ScannerDevice sample = feeder();
    ScannerDevice office = feeder();
    office.id = "sane:office";
    office.takesScanSettings = office.hasDocumentFeeder = office.hasFlatbed = true;
    SampleScanner scanner({sample, office});
    App ready(file("other.ini"), &scanner, &reader);
    ASSERT_TRUE(ready.showAndSettle());
    ready.store->selectScanner(sample.id);
    scan = ready.window->screen(AppSection::scan);
    auto* button = child<QPushButton>(scan, "startScan");
    EXPECT_TRUE(button->isEnabled() && ready.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_FALSE(child<QLabel>(scan, "noScannerTitle")->isVisibleTo(scan));
    SurveyConfiguration configuration = ready.store->configuration();
    configuration.title = "   ";
    ready.store->setConfiguration(configuration);
    EXPECT_FALSE(button->isEnabled() || ready.window->action(Command::startScanBatch)->isEnabled());

    auto* resolution = child<QComboBox>(scan, "resolutionPicker");
    auto* colour = child<QComboBox>(scan, "colourPicker");
    auto* source = child<QComboBox>(scan, "sourcePicker");
    ASSERT_TRUE(resolution && colour && source);
    EXPECT_EQ(resolution->currentText(), "300 dpi");
    for (QComboBox* box : {resolution, colour, source}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->toolTip().isEmpty()); // saying why
    }
    ready.store->selectScanner(office.id);
    for (QComboBox* box : {resolution, colour, source})
        EXPECT_TRUE(box->isEnabled());
    Q_EMIT resolution->activated(resolution->findData(600));
    Q_EMIT colour->activated(colour->findText("Colour"));
    Q_EMIT source->activated(source->findText("Flatbed"));
    EXPECT_EQ(ready.scanPreferences->settingsFor(office.id, false),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    // The source belongs to the device it was chosen for.
    ready.store->selectScanner(sample.id);
    EXPECT_EQ(source->currentText(), "Automatic");
    EXPECT_EQ(resolution->currentText(), "600 dpi");
}

// Once shown, the prompt is not shown again by a later launch with the same preferences file.
TEST_F(MainWindowTest, FirstRunPromptAppearsOnceAcrossLaunchesWithOnePreferencesFile)
{
    SampleScanner scanner({});
    NoReading reader;
    const auto prompted = [&](const QString& file) {
        App app(file, &scanner, &reader, false);
        EXPECT_TRUE(app.showAndSettle());
        QMessageBox* prompt = app.window->firstRunPrompt();
        if (!prompt)
            return false;
        EXPECT_TRUE(prompt->isVisible());
        for (QAbstractButton* button : prompt->buttons())
            if (button->text() == "Open Settings")
                button->click();
        EXPECT_TRUE(app.window->settingsWindow()->isVisible());
        return true;
    };
    EXPECT_TRUE(prompted(file("preferences.ini")));
    EXPECT_FALSE(prompted(file("preferences.ini")));
    EXPECT_TRUE(prompted(file("other.ini")));
}
