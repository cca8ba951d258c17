#include "TestSupport.h"
#include "UiTestSupport.h"

#include "reading/VisionSurveyExtractionService.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/ReviewScreen.h"
#include "ui/SettingsWindow.h"
#include "ui/Sidebar.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;
using Command = MainWindow::Command;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString settingsFile() const { return dir.filePath(QStringLiteral("preferences.ini")); }

    template <typename T> static T* child(QWidget* parent, const char* name)
    {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
};

using testsupport::readText;

// Leaves one answer of every survey to a person.
class OneDoubtPerSurvey : public WholeBatchReader
{
protected:
    SurveyExtractionResult read(const QList<ScanPage>& pages) override
    {
        SurveyExtractionResult result;
        for (const ScanPage& page : pages) {
            if (page.side != SurveySide::front)
                continue;
            result.responses.append({page.surveyNumber, page.capturedAt, {QStringLiteral("A")}});
            QuestionReviewItem item;
            item.surveyNumber = page.surveyNumber;
            item.questionNumber = 1;
            item.pageNumber = page.pageNumber;
            item.suggestedText = QStringLiteral("A");
            result.reviewItems.append(item);
        }
        return result;
    }
};

} // namespace

TEST_F(MainWindowTest, QuittingWithPendingReviewAsksAndSavesTheQueue)
{
    FakeScannerService scanner({onlineScanner()}, samplePages(2), dir.path());
    OneDoubtPerSurvey reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QCoro::waitFor(app.store->startScanBatch());
    ASSERT_EQ(app.store->reviewItems().size(), 1);

    const QString target = dir.filePath(QStringLiteral("run.twk"));
    FilePanelAnswerer answer([&](QFileDialog*) { return target; });
    MessageBoxClicker clicker(QStringLiteral("Save"));
    EXPECT_TRUE(app.window->close());
    EXPECT_EQ(clicker.informativeText,
              QStringLiteral("1 answer is waiting for review. Save the project before closing?"));
    EXPECT_TRUE(readText(target).contains(QStringLiteral("\"reviewItems\"")));
}

TEST_F(MainWindowTest, ScanCommandsFollowTheScannerAndTheConfiguration)
{
    FakeScannerService scanner({});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);
    QAction* start = app.window->action(Command::startScanBatch);
    auto* button = child<QPushButton>(scan, "startScan");
    EXPECT_EQ(start->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(app.window->action(Command::importScannedFiles)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_I));

    // No scanner: said so, and neither the shortcut nor the button starts anything.
    auto* noScanner = child<QLabel>(scan, "noScannerTitle");
    EXPECT_EQ(noScanner->text(), QStringLiteral("No Scanner Found"));
    EXPECT_TRUE(noScanner->isVisible());
    EXPECT_FALSE(child<QWidget>(scan, "devicePicker")->isVisible());
    EXPECT_FALSE(start->isEnabled());
    QTest::keyClick(app.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(scanner.batches, 0);
    // Without an import service there is nothing to import either.
    EXPECT_FALSE(child<QPushButton>(scan, "importScannedFiles")->isEnabled());

    FakeScannerService online({onlineScanner()});
    App ready(dir.filePath(QStringLiteral("other.ini")), &online, &reader);
    ASSERT_TRUE(ready.showAndSettle());
    QWidget* readyScan = ready.window->screen(AppSection::scan);
    EXPECT_TRUE(child<QPushButton>(readyScan, "startScan")->isEnabled());
    EXPECT_TRUE(ready.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_FALSE(child<QLabel>(readyScan, "noScannerTitle")->isVisibleTo(readyScan));
    // A blank project name makes the configuration invalid: both follow.
    SurveyConfiguration configuration = ready.store->configuration();
    configuration.title = QStringLiteral("   ");
    ready.store->setConfiguration(configuration);
    EXPECT_FALSE(child<QPushButton>(readyScan, "startScan")->isEnabled());
    EXPECT_FALSE(ready.window->action(Command::startScanBatch)->isEnabled());
}

TEST_F(MainWindowTest, ScanSettingsFollowTheDeviceAndAreKeptInThePreferences)
{
    ScannerDevice sample = onlineScanner();
    ScannerDevice office = onlineScanner();
    office.id = QStringLiteral("sane:office");
    office.name = QStringLiteral("Office scanner");
    office.takesScanSettings = true;
    office.hasDocumentFeeder = true;
    office.hasFlatbed = true;
    FakeScannerService scanner({sample, office});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.store->selectScanner(sample.id);
    QWidget* scan = app.window->screen(AppSection::scan);
    auto* resolution = child<QComboBox>(scan, "resolutionPicker");
    auto* colour = child<QComboBox>(scan, "colourPicker");
    auto* source = child<QComboBox>(scan, "sourcePicker");
    ASSERT_TRUE(resolution && colour && source);

    // Shown for every device; a device without the options has them disabled, saying why.
    EXPECT_EQ(resolution->currentText(), QStringLiteral("300 dpi"));
    EXPECT_EQ(colour->currentText(), QStringLiteral("Grey"));
    EXPECT_EQ(source->currentText(), QStringLiteral("Automatic"));
    for (QComboBox* box : {resolution, colour, source}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->toolTip().isEmpty());
    }

    app.store->selectScanner(office.id);
    for (QComboBox* box : {resolution, colour, source})
        EXPECT_TRUE(box->isEnabled());
    Q_EMIT resolution->activated(resolution->findData(600));
    Q_EMIT colour->activated(colour->findText(QStringLiteral("Colour")));
    Q_EMIT source->activated(source->findText(QStringLiteral("Flatbed")));
    EXPECT_EQ(app.scanPreferences->settingsFor(office.id, false),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    // The source belongs to the device it was chosen for.
    app.store->selectScanner(sample.id);
    EXPECT_EQ(source->currentText(), QStringLiteral("Automatic"));
    EXPECT_EQ(resolution->currentText(), QStringLiteral("600 dpi"));
}

// The bundled pages through the real reader, from the Start button to the
// Answers table, the review queue and the connected CSV.
TEST_F(MainWindowTest, DemoBatchFillsTheScreensAndTheCSV)
{
    FakeScannerService scanner({onlineScanner()}, samplePages(2, 5), dir.path());
    VisionSurveyExtractionService reader(1);
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());

    const QString csvPath = dir.filePath(QStringLiteral("responses.csv"));
    {
        QString suggested;
        FilePanelAnswerer answer([&](QFileDialog* panel) {
            suggested = panel->selectedFiles().value(0);
            return csvPath;
        });
        app.window->action(Command::connectCSV)->trigger();
        EXPECT_TRUE(suggested.endsWith(QStringLiteral("Paper Survey-responses.csv")))
            << suggested.toStdString();
    }
    ASSERT_TRUE(app.store->csvURL().has_value());
    // A review threshold above every mark's confidence queues answers too.
    SurveyConfiguration strict = app.store->configuration();
    strict.reviewThreshold = 0.99;
    app.store->setConfiguration(strict);

    QTest::mouseClick(child<QPushButton>(app.window->screen(AppSection::scan), "startScan"),
                      Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] {
            const ScanStage stage = app.store->stage();
            return stage == ScanStage::reviewing || stage == ScanStage::finished ||
                   stage == ScanStage::idle;
        },
        600000));
    ASSERT_EQ(app.store->responses().size(), 1)
        << app.store->errorMessage().value_or(QString()).toStdString();

    auto* answers = static_cast<AnswersScreen*>(app.window->screen(AppSection::answers));
    AnswersTableModel* model = answers->model();
    ASSERT_EQ(model->rowCount(), 1);
    for (int column = AnswersTableModel::fixedColumns; column < model->columnCount(); ++column)
        EXPECT_EQ(model->data(model->index(0, column), Qt::DisplayRole).toString(),
                  app.store->answerValue(1, column - AnswersTableModel::fixedColumns + 1));
    EXPECT_TRUE(readText(csvPath).contains(app.store->answerValue(1, 2)));
    const qsizetype queued = app.store->reviewItems().size();
    ASSERT_GT(queued, 0);
    auto* review = static_cast<ReviewScreen*>(app.window->screen(AppSection::review));
    EXPECT_EQ(child<QLabel>(review, "reviewTitle")->text(),
              QStringLiteral("Review (%1)").arg(queued));
    EXPECT_EQ(app.window->sidebar()->badgeText(AppSection::review), QString::number(queued));
    EXPECT_EQ(app.window->sidebar()->surveyCountText(), QStringLiteral("1 surveys"));
}

TEST_F(MainWindowTest, FirstRunPromptAppearsOnceAcrossLaunchesWithOnePreferencesFile)
{
    FakeScannerService scanner({});
    NoReading reader;
    {
        App first(settingsFile(), &scanner, &reader, false);
        ASSERT_TRUE(first.showAndSettle());
        QMessageBox* prompt = first.window->firstRunPrompt();
        ASSERT_NE(prompt, nullptr);
        EXPECT_TRUE(prompt->isVisible());
        EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Set Up AI Accuracy Boost"));
        EXPECT_EQ(prompt->informativeText().toStdString(),
                  "Hybrid mode is enabled by default. Add an OpenAI API key in Settings to let "
                  "Tallywicket use AI on uncertain answers, or keep using local-only detection "
                  "without API costs.");
        QStringList buttons;
        for (QAbstractButton* button : prompt->buttons())
            buttons.append(button->text());
        EXPECT_TRUE(buttons.contains(QStringLiteral("Open Settings")));
        EXPECT_TRUE(buttons.contains(QStringLiteral("Not Now")));
        EXPECT_TRUE(first.aiSettings->hasShownFirstRunPrompt());
        for (QAbstractButton* button : prompt->buttons()) {
            if (button->text() == QStringLiteral("Open Settings"))
                button->click();
        }
        EXPECT_TRUE(first.window->settingsWindow()->isVisible());
    }
    {
        App second(settingsFile(), &scanner, &reader, false);
        ASSERT_TRUE(second.showAndSettle());
        EXPECT_EQ(second.window->firstRunPrompt(), nullptr);
    }
    {
        App otherProfile(dir.filePath(QStringLiteral("other.ini")), &scanner, &reader, false);
        ASSERT_TRUE(otherProfile.showAndSettle());
        ASSERT_NE(otherProfile.window->firstRunPrompt(), nullptr);
        otherProfile.window->firstRunPrompt()->reject();
    }
}
