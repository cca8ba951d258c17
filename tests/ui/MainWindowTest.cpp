#include "UiTestSupport.h"

#include "reading/VisionSurveyExtractionService.h"
#include "stats/AnswerStatistics.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/MetricTile.h"
#include "ui/QuestionStatisticCard.h"
#include "ui/ReviewScreen.h"
#include "ui/SettingsWindow.h"
#include "ui/Sidebar.h"
#include "ui/StatisticsScreen.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
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

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

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
    EXPECT_TRUE(readFile(target).contains(QStringLiteral("\"reviewItems\"")));
}

TEST_F(MainWindowTest, NoScannerShowsNoScannerFoundAndDisablesBothScanCommands)
{
    FakeScannerService scanner({});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);

    auto* noScanner = child<QLabel>(scan, "noScannerTitle");
    ASSERT_NE(noScanner, nullptr);
    EXPECT_EQ(noScanner->text(), QStringLiteral("No Scanner Found"));
    EXPECT_TRUE(noScanner->isVisible());
    EXPECT_FALSE(child<QWidget>(scan, "devicePicker")->isVisible());
    EXPECT_FALSE(child<QPushButton>(scan, "startScan")->isEnabled());
    EXPECT_FALSE(app.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_EQ(app.window->action(Command::startScanBatch)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Return));

    // Neither the shortcut nor the button starts anything.
    QTest::keyClick(app.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::mouseClick(child<QPushButton>(scan, "startScan"), Qt::LeftButton);
    EXPECT_EQ(scanner.batches, 0);
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

TEST_F(MainWindowTest, ImportIsAFileCommandAndAScanScreenButton)
{
    FakeScannerService scanner({});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QAction* import = app.window->action(Command::importScannedFiles);
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(import->text(), QStringLiteral("Import Scanned Files..."));
    EXPECT_EQ(import->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    auto* button = child<QPushButton>(app.window->screen(AppSection::scan), "importScannedFiles");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Import Scanned Files..."));
    // Without an import service there is nothing to run.
    EXPECT_FALSE(button->isEnabled());
}

TEST_F(MainWindowTest, AnOnlineScannerEnablesBothScanCommands)
{
    FakeScannerService scanner({onlineScanner()});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QWidget* scan = app.window->screen(AppSection::scan);
    EXPECT_TRUE(child<QPushButton>(scan, "startScan")->isEnabled());
    EXPECT_TRUE(app.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_FALSE(child<QLabel>(scan, "noScannerTitle")->isVisibleTo(scan));

    // A blank project name makes the configuration invalid: both follow.
    SurveyConfiguration configuration = app.store->configuration();
    configuration.title = QStringLiteral("   ");
    app.store->setConfiguration(configuration);
    EXPECT_FALSE(child<QPushButton>(scan, "startScan")->isEnabled());
    EXPECT_FALSE(app.window->action(Command::startScanBatch)->isEnabled());
}

TEST_F(MainWindowTest, DemoBatchFillsTheScreensAndAnAppliedReviewReachesTableAndCSV)
{
    // Survey 3 of the bundled stack leaves question 1 blank: a choice
    // question that is always queued for review.
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
        EXPECT_EQ(answer.panelsSeen(), 1);
        EXPECT_TRUE(suggested.endsWith(QStringLiteral("Paper Survey-responses.csv")))
            << suggested.toStdString();
    }
    ASSERT_TRUE(app.store->csvURL().has_value());

    // The sample pages read cleanly; a review threshold above every mark's
    // confidence queues choice questions too, so their keys can be tried.
    SurveyConfiguration strict = app.store->configuration();
    strict.reviewThreshold = 0.99;
    app.store->setConfiguration(strict);
    QWidget* scan = app.window->screen(AppSection::scan);
    QTest::mouseClick(child<QPushButton>(scan, "startScan"), Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] {
            return app.store->stage() == ScanStage::reviewing ||
                   app.store->stage() == ScanStage::finished ||
                   app.store->stage() == ScanStage::idle;
        },
        600000));
    ASSERT_EQ(app.store->responses().size(), 1)
        << app.store->statusMessage().toStdString() << " "
        << app.store->errorMessage().value_or(QString()).toStdString();

    // Answers: one row per survey, every cell the store's answer.
    auto* answers = static_cast<AnswersScreen*>(app.window->screen(AppSection::answers));
    AnswersTableModel* model = answers->model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("1"));
    for (int column = AnswersTableModel::fixedColumns; column < model->columnCount(); ++column)
        EXPECT_EQ(model->data(model->index(0, column), Qt::DisplayRole).toString(),
                  app.store->answerValue(1, column - AnswersTableModel::fixedColumns + 1));

    // Review queue, its title and the sidebar badge.
    const qsizetype queued = app.store->reviewItems().size();
    ASSERT_GT(queued, 0);
    auto* review = static_cast<ReviewScreen*>(app.window->screen(AppSection::review));
    EXPECT_EQ(review->queue()->count(), queued);
    EXPECT_EQ(child<QLabel>(review, "reviewTitle")->text(), ReviewScreen::queueTitle(queued));
    EXPECT_EQ(app.window->sidebar()->badgeText(AppSection::review), QString::number(queued));
    EXPECT_EQ(app.window->sidebar()->surveyCountText(), QStringLiteral("1 surveys"));

    // Statistics: a card per question and the summary tiles.
    auto* statistics = static_cast<StatisticsScreen*>(app.window->screen(AppSection::statistics));
    statistics->rebuild();
    EXPECT_EQ(
        statistics->cards().size(),
        statisticsQuestionCount(app.store->configuration().templateFields, app.store->responses()));
    ASSERT_EQ(statistics->metrics().size(), 4);
    EXPECT_EQ(statistics->metrics()[0]->value(), QStringLiteral("1"));
    EXPECT_EQ(statistics->metrics()[3]->value(), QString::number(queued));

    // Typing an answer and pressing Enter applies it and moves on.
    app.window->selectSection(AppSection::review);
    review->queue()->setCurrentRow(0);
    ReviewEditor* editor = review->editor();
    const QuestionReviewItem first = app.store->reviewItems().first();
    ASSERT_EQ(editor->itemID(), first.id);
    QLineEdit* field = editor->answerField();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Checked by hand"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(app.store->reviewItems().size(), queued - 1);
    EXPECT_EQ(app.store->answerValue(first.surveyNumber, first.questionNumber),
              QStringLiteral("Checked by hand"));
    EXPECT_EQ(
        model
            ->data(model->index(0, AnswersTableModel::fixedColumns + int(first.questionNumber) - 1),
                   Qt::DisplayRole)
            .toString(),
        QStringLiteral("Checked by hand"));
    EXPECT_TRUE(readFile(csvPath).contains(QStringLiteral("Checked by hand")));
    if (!app.store->reviewItems().isEmpty()) {
        EXPECT_EQ(editor->itemID(), app.store->reviewItems().first().id);
    }

    // A single-choice question: the digit key picks its option, Enter applies.
    const auto singleChoice = [&](const QUuid& id) {
        for (const QuestionReviewItem& item : app.store->reviewItems())
            if (item.id == id)
                for (const SurveyTemplateField& field : app.store->configuration().templateFields)
                    if (field.number == item.questionNumber)
                        return field.detectionMode == SurveyDetectionMode::singleChoice;
        return false;
    };
    for (int row = 0; row < review->queue()->count(); ++row) {
        review->queue()->setCurrentRow(row);
        if (!editor->optionToggles().isEmpty() && singleChoice(editor->itemID()))
            break;
    }
    ASSERT_FALSE(editor->optionToggles().isEmpty()) << "the sample pages queue a choice question";
    {
        const QString option = editor->optionToggles().first()->text();
        QuestionReviewItem item;
        for (const QuestionReviewItem& candidate : app.store->reviewItems()) {
            if (candidate.id == editor->itemID())
                item = candidate;
        }
        QTest::keyClick(editor->optionToggles().first(), Qt::Key_1);
        EXPECT_TRUE(editor->optionToggles().first()->isChecked());
        QTest::keyClick(editor->optionToggles().first(), Qt::Key_Return);
        EXPECT_EQ(app.store->answerValue(item.surveyNumber, item.questionNumber), option);
        EXPECT_EQ(app.store->reviewItems().size(), queued - 2);
    }
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
        EXPECT_EQ(prompt->informativeText(), MainWindow::firstRunMessage());
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

TEST_F(MainWindowTest, SaveWithoutProjectFileOpensTheSavePanel)
{
    FakeScannerService scanner({});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    const QString target = dir.filePath(QStringLiteral("run.twk"));

    FilePanelAnswerer answer([&](QFileDialog* panel) {
        EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(panel->selectedFiles().value(0).endsWith(QStringLiteral("Paper Survey.twk")));
        EXPECT_TRUE(panel->nameFilters().join(QLatin1Char(' ')).contains(QStringLiteral("*.twk")));
        return target;
    });
    EXPECT_EQ(app.window->action(Command::save)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    app.window->action(Command::save)->trigger();
    EXPECT_EQ(answer.panelsSeen(), 1);
    ASSERT_TRUE(app.store->projectURL().has_value());
    EXPECT_EQ(app.store->projectURL()->toLocalFile(), target);
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_FALSE(app.store->isProjectDirty());

    // Once the project has a file, Save writes there without asking.
    SurveyConfiguration configuration = app.store->configuration();
    configuration.title = QStringLiteral("Spring Survey");
    app.store->setConfiguration(configuration);
    ASSERT_TRUE(app.store->isProjectDirty());
    app.window->action(Command::save)->trigger();
    EXPECT_EQ(answer.panelsSeen(), 1);
    EXPECT_FALSE(app.store->isProjectDirty());
    EXPECT_TRUE(readFile(target).contains(QStringLiteral("Spring Survey")));
}
