#include "TestSupport.h"
#include "UiTestSupport.h"

#include "../dictation/RecordedAudioSource.h"
#include "../dictation/SpeechSynthesis.h"
#include "dictation/PocketSphinxRecognizer.h"
#include "dictation/SpeechInputController.h"
#include "ui/AnswersScreen.h"
#include "ui/AnswersTableModel.h"
#include "ui/PageView.h"
#include "ui/QuestionReviewGrid.h"
#include "ui/ReviewAnswerInput.h"
#include "ui/ReviewDictation.h"
#include "ui/ReviewKeys.h"
#include "ui/ReviewScreen.h"
#include "ui/Sidebar.h"
#include "ui/Theme.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace uitest;
using Command = MainWindow::Command;

namespace {

using testsupport::readText;

// The CSV's rows; an appended batch may leave an empty line after the header.
std::string csvRows(const QString& path)
{
    QStringList lines = readText(path).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The project file without the time it was written.
std::string projectContent(const QString& path)
{
    QStringList lines = readText(path).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return line.contains("\"savedAt\""); });
    return lines.join(QLatin1Char('\n')).toStdString();
}

constexpr qint64 choiceQuestion = 1;  // single choice, twelve options
constexpr qint64 boxesQuestion = 2;   // checkboxes
constexpr qint64 writtenQuestion = 3; // handwriting
const QString placeholder = "Handwritten answer needs review";

// The screen's By Question grid, showing this question's cards.
QuestionReviewGrid* byQuestion(ReviewScreen* screen, qint64 question)
{
    screen->setByQuestion(true);
    QuestionReviewGrid* grid = screen->questionGrid();
    grid->questionPicker()->setCurrentIndex(grid->questionPicker()->findData(question));
    return grid;
}

// Three surveys in review, with a project file and a connected CSV.
class ReviewWorkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.showAndSettle());
        SurveyConfiguration configuration = app.store->configuration();
        configuration.questionCount = 3;
        configuration.templateFields = {
            {choiceQuestion, "Question 1", SurveyDetectionMode::singleChoice,
             "Option A\nOption B\nOption C\nOption D\nOption E\nOption F\nOption G\nOption H\n"
             "Option I\nOption J\nOption K\nOption L"},
            {boxesQuestion, "Question 2", SurveyDetectionMode::multipleChoice,
             "Alpine\nJordan\nProvo\nWasatch"},
            {writtenQuestion, "Question 3", SurveyDetectionMode::written, {}}};
        app.store->setConfiguration(configuration);
        {
            FilePanelAnswerer answer([&](QFileDialog*) { return csvPath; });
            app.window->action(Command::connectCSV)->trigger();
        }
        QCoro::waitFor(app.store->startScanBatch());
        ASSERT_EQ(app.store->responses().size(), 3)
            << app.store->statusMessage().toStdString() << " "
            << app.store->errorMessage().value_or(QString()).toStdString();
        {
            FilePanelAnswerer answer([&](QFileDialog*) { return projectPath; });
            app.window->action(Command::saveAs)->trigger();
        }
        ASSERT_TRUE(app.store->projectURL().has_value());
        app.window->selectSection(AppSection::review);
        QApplication::setActiveWindow(app.window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(app.window.get()));
        review = static_cast<ReviewScreen*>(app.window->screen(AppSection::review));
        editor = review->editor();
    }

    // Shows the first pending item of the question.
    QuestionReviewItem showFirst(qint64 question)
    {
        for (int row = 0; row < review->queue()->count(); ++row) {
            review->queue()->setCurrentRow(row);
            if (const auto item = shown(); item.questionNumber == question)
                return item;
        }
        ADD_FAILURE() << "no pending item for Q" << question;
        return {};
    }

    QList<QuestionReviewItem> pendingFor(qint64 question) const
    {
        QList<QuestionReviewItem> items = app.store->reviewItems();
        items.removeIf([&](const QuestionReviewItem& i) { return i.questionNumber != question; });
        return items;
    }

    QuestionReviewItem shown() const
    {
        for (const QuestionReviewItem& item : app.store->reviewItems()) {
            if (item.id == editor->itemID())
                return item;
        }
        return {};
    }

    QStringList checkedOptions() const { return checkedTexts(editor->optionToggles()); }

    QTemporaryDir dir;
    QString csvPath = dir.filePath("answers.csv");
    QString projectPath = dir.filePath("survey.twk");
    SampleScanner scanner{{feeder()}, samplePages(6)};
    DoubtfulReader reader{
        {"Option B", "N/A", "N/A"},
        {{choiceQuestion, "Option B"}, {boxesQuestion, QString()}, {writtenQuestion, placeholder}}};
    App app{dir.filePath("preferences.ini"), &scanner, &reader};
    ReviewScreen* review = nullptr;
    ReviewEditor* editor = nullptr;
};

} // namespace

TEST_F(ReviewWorkTest, OptionKeysReplaceOnSingleChoiceSwitchOnCheckboxesAndDoNothingElse)
{
    // Single choice: the suggestion starts selected, each digit replaces.
    const QuestionReviewItem choice = showFirst(choiceQuestion);
    EXPECT_EQ(checkedOptions(), QStringList{"Option B"});
    QWidget* focus = editor->optionToggles().first();
    QTest::keyClick(focus, Qt::Key_2);
    QTest::keyClick(focus, Qt::Key_3);
    EXPECT_EQ(shown().enteredText, "Option C");
    QTest::keyClick(focus, Qt::Key_0);
    EXPECT_EQ(shown().enteredText, "Option J");
    QTest::keyClick(focus, Qt::Key_B, Qt::AltModifier); // the twelfth option
    EXPECT_EQ(shown().enteredText, "Option L");
    EXPECT_EQ(checkedOptions(), QStringList{"Option L"});
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(app.store->answerValue(choice.surveyNumber, choiceQuestion), "Option L");

    // Checkboxes: digits switch options on and off.
    showFirst(boxesQuestion);
    focus = editor->optionToggles().first();
    QTest::keyClick(focus, Qt::Key_1);
    QTest::keyClick(focus, Qt::Key_3);
    EXPECT_EQ(shown().enteredText, "Alpine; Provo");
    QTest::keyClick(focus, Qt::Key_1);
    EXPECT_EQ(shown().enteredText, "Provo");

    // In a text field a digit is typed, never picked.
    editor->answerField()->setFocus();
    QTest::keyClick(editor->answerField(), Qt::Key_2);
    EXPECT_EQ(shown().enteredText, "Provo2");

    // No key does two things.
    QList<QKeySequence> keys;
    for (QAction* action : app.window->findChildren<QAction*>())
        keys.append(action->shortcuts());
    for (QShortcut* shortcut : app.window->findChildren<QShortcut*>())
        keys.append(shortcut->key());
    for (QMenu* menu : app.window->menuBar()->findChildren<QMenu*>()) {
        const qsizetype mnemonic = menu->title().indexOf(QLatin1Char('&'));
        if (mnemonic >= 0)
            keys.append(QKeySequence(QStringLiteral("Alt+") + menu->title().at(mnemonic + 1)));
    }
    keys.append({reviewkeys::apply(), reviewkeys::skip()});
    for (qsizetype option = 0; reviewkeys::optionKey(option); ++option)
        keys.append(*reviewkeys::optionKey(option));
    keys.removeAll(QKeySequence());
    for (qsizetype i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys.count(keys[i]), 1) << keys[i].toString().toStdString();

    // The tooltips name the option keys.
    showFirst(choiceQuestion);
    EXPECT_EQ(editor->optionToggles().at(9)->toolTip(), "Press 0");
    EXPECT_EQ(editor->optionToggles().at(10)->toolTip(), "Press Alt+A");
}

TEST_F(ReviewWorkTest, EscapeSkipsToTheEndAndBracketsMoveWithoutApplying)
{
    const qsizetype pending = app.store->reviewItems().size();
    EXPECT_EQ(review->findChild<QLabel*>("reviewTitle")->text(), "Review (9)");
    EXPECT_EQ(app.window->sidebar()->badgeText(AppSection::review), "9");
    EXPECT_EQ(app.window->sidebar()->surveyCountText(), "3 surveys");
    review->queue()->setCurrentRow(0);
    const QUuid first = editor->itemID();
    const QUuid second = app.store->reviewItems().at(1).id;
    QWidget* focus = editor->optionToggles().isEmpty()
                         ? static_cast<QWidget*>(editor->answerField())
                         : editor->optionToggles().first();
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_EQ(app.store->reviewItems().size(), pending);
    EXPECT_EQ(app.store->reviewItems().last().id, first);
    EXPECT_EQ(editor->itemID(), second);

    // The keyboard is somewhere in the review screen, as when working.
    focus = editor->answerField();
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(editor->itemID(), app.store->reviewItems().at(1).id);
    QTest::keyClick(focus, Qt::Key_BracketLeft, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(editor->itemID(), first) << "going back from the first item wraps to the last";
    EXPECT_EQ(app.store->reviewItems().size(), pending);

    // The Skip button does what Esc does, and says so.
    auto* skip = editor->findChild<QPushButton*>("skipReview");
    ASSERT_NE(skip, nullptr);
    EXPECT_TRUE(skip->toolTip().contains("(Esc)"));
    QTest::mouseClick(skip, Qt::LeftButton);
    EXPECT_EQ(app.store->reviewItems().last().id, first);
    EXPECT_NE(editor->itemID(), first);
}

TEST_F(ReviewWorkTest, AnEditOnTheAnswersScreenSettlesThatCellsReviewAnEmptyFieldSettlesNothing)
{
    const QuestionReviewItem written = showFirst(writtenQuestion);
    AnswersTableModel* model =
        static_cast<AnswersScreen*>(app.window->screen(AppSection::answers))->model();
    const QModelIndex cell = model->index(0, AnswersTableModel::fixedColumns + writtenQuestion - 1);
    ASSERT_EQ(model->data(model->index(0, 0), Qt::DisplayRole).toString(),
              QString::number(written.surveyNumber));
    EXPECT_TRUE(model->data(cell, Qt::BackgroundRole).isValid()) << "a pending cell is tinted";
    EXPECT_TRUE(model->data(cell, Qt::ToolTipRole).toString().contains("review"));

    const QVariant pendingTint = model->data(cell, Qt::BackgroundRole);
    app.store->updateAnswer(written.surveyNumber, writtenQuestion, "Typed in");
    // Changed by a person: tinted apart, said so, and kept in the project file.
    EXPECT_TRUE(model->data(cell, Qt::BackgroundRole).isValid());
    EXPECT_NE(model->data(cell, Qt::BackgroundRole), pendingTint);
    EXPECT_EQ(model->data(cell, Qt::ToolTipRole).toString(), "Typed in (changed by hand)");
    EXPECT_TRUE(readText(projectPath).contains("\"source\" : \"edited\""));
    EXPECT_EQ(app.store->reviewItems().size(), 8); // the cell's review is settled

    // On the review screen an empty written field applies nothing, and says so.
    const QuestionReviewItem next = showFirst(writtenQuestion);
    editor->focusEditor();
    EXPECT_TRUE(editor->answerField()->hasFocus())
        << "a written item puts the keyboard in its field";
    QTest::keyClick(editor->answerField(), Qt::Key_Return);
    EXPECT_EQ(shown().id, next.id);
    EXPECT_EQ(app.store->answerValue(next.surveyNumber, writtenQuestion), "N/A");
    EXPECT_FALSE(readText(csvPath).contains(placeholder));
    EXPECT_FALSE(editor->notice()->isHidden());
    EXPECT_TRUE(editor->notice()->text().contains("N/A"));

    QTest::keyClicks(editor->answerField(), "N/A");
    QTest::keyClick(editor->answerField(), Qt::Key_Return);
    EXPECT_NE(editor->itemID(), next.id);
    EXPECT_EQ(app.store->reviewItems().size(), 7);
}

TEST_F(ReviewWorkTest, UndoOfAnAnswerOrADeletionRestoresCSVAndProjectFileAndCtrlZUndoesTypingFirst)
{
    std::string csvBefore = csvRows(csvPath);
    const QuestionReviewItem written = showFirst(writtenQuestion);
    QTest::keyClicks(editor->answerField(), "Robots");
    QTest::keyClick(editor->answerField(), Qt::Key_Return);
    ASSERT_TRUE(readText(csvPath).contains("Robots"));
    ASSERT_TRUE(readText(projectPath).contains("\"source\" : \"reviewed\""));

    app.window->action(Command::undo)->trigger();
    EXPECT_EQ(csvRows(csvPath), csvBefore);
    EXPECT_EQ(app.store->reviewItems().size(), 9);
    EXPECT_EQ(app.store->answerValue(written.surveyNumber, writtenQuestion), "N/A");
    // The project file holds the item again, with the text typed for it.
    const QString project = readText(projectPath);
    EXPECT_EQ(project.count("\"questionNumber\""), 9);
    EXPECT_TRUE(project.contains("\"enteredText\" : \"Robots\""));

    app.window->action(Command::redo)->trigger();
    EXPECT_TRUE(readText(csvPath).contains("Robots"));
    EXPECT_EQ(app.store->reviewItems().size(), 8);

    // In a text field Ctrl+Z takes back typing first; with no typing left to
    // take back, it undoes the last applied answer.
    showFirst(writtenQuestion);
    editor->focusEditor();
    QTest::keyClicks(editor->answerField(), "Kites");
    QTest::keyClick(editor->answerField(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor->answerField()->text(), QString());
    EXPECT_EQ(app.store->reviewItems().size(), 8) << "typing went first";
    QTest::keyClick(editor->answerField(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app.store->reviewItems().size(), 9);
    EXPECT_EQ(app.store->answerValue(written.surveyNumber, writtenQuestion), "N/A");

    // A deletion is undone whole; a new project clears the history.
    csvBefore = csvRows(csvPath);
    const std::string projectBefore = projectContent(projectPath);
    const QList<ScanPage> pagesBefore = app.store->pages();
    app.store->deleteResponse(app.store->responses().at(1));
    ASSERT_EQ(app.store->responses().size(), 2);
    ASSERT_NE(csvRows(csvPath), csvBefore);

    ASSERT_TRUE(app.window->action(Command::undo)->isEnabled());
    app.window->action(Command::undo)->trigger();
    EXPECT_EQ(csvRows(csvPath), csvBefore);
    EXPECT_EQ(projectContent(projectPath), projectBefore);
    EXPECT_EQ(app.store->pages(), pagesBefore);
    EXPECT_EQ(app.store->reviewItems().size(), 9);

    MessageBoxClicker discard("Don't Save");
    app.store->deleteResponse(app.store->responses().at(0));
    app.store->newProject();
    EXPECT_FALSE(app.window->action(Command::undo)->isEnabled());
}

TEST_F(ReviewWorkTest, QuittingWithReviewWorkUnsavedAsksAndSavesTheQueue)
{
    app.store->updateReviewItem(app.store->reviewItems().first(), "Typed before quitting");
    MessageBoxClicker clicker("Save");
    EXPECT_TRUE(app.window->close());
    EXPECT_EQ(clicker.informativeText,
              "9 answers are waiting for review. Save the project before closing?");
    EXPECT_TRUE(readText(projectPath).contains("\"enteredText\" : \"Typed before quitting\""));
}

TEST_F(ReviewWorkTest, QuestionByQuestionEntryWritesThroughToTheCSV)
{
    QuestionReviewGrid* grid = byQuestion(review, writtenQuestion);
    const QList<QuestionReviewItem> written = pendingFor(writtenQuestion);
    ASSERT_EQ(written.size(), 3);
    for (const QuestionReviewItem& item : written)
        ASSERT_NE(grid->field(item.id), nullptr);

    // An empty field applies nothing, Enter applies a typed one.
    QTest::keyClick(grid->field(written[0].id), Qt::Key_Return);
    EXPECT_EQ(app.store->reviewItems().size(), 9);
    QTest::keyClicks(grid->field(written[1].id), "Second sheet");
    QTest::keyClick(grid->field(written[1].id), Qt::Key_Return);
    EXPECT_EQ(app.store->answerValue(written[1].surveyNumber, writtenQuestion), "Second sheet");
    EXPECT_TRUE(readText(csvPath).contains("Second sheet"));
    EXPECT_EQ(grid->field(written[1].id), nullptr);
    ASSERT_NE(grid->field(written[2].id), nullptr) << "the other cards stay";
    EXPECT_EQ(app.store->reviewItems().size(), 8);

    // A choice question's cards take the option keys; Enter applies the pick.
    byQuestion(review, choiceQuestion);
    const QUuid first = grid->currentItemID();
    ReviewAnswerInput* input = grid->input(first);
    ASSERT_NE(input, nullptr);
    ASSERT_EQ(input->optionToggles().size(), 12);
    input->focusInput();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(grid->input(first), nullptr);
    EXPECT_EQ(app.store->reviewItems().size(), 7);
    EXPECT_NE(csvRows(csvPath).find("Option C"), std::string::npos);
}

TEST_F(ReviewWorkTest, CtrlSpaceShowsThePageAsReadWithTheCropOutlined)
{
    const QuestionReviewItem choice = showFirst(choiceQuestion);
    PageView* page = review->pageView();
    ASSERT_FALSE(review->showsPageView());
    QWidget* focus = editor->optionToggles().first();
    focus->setFocus();
    QTest::keyClick(focus, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(review->showsPageView());
    EXPECT_TRUE(review->pageButton()->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->hasPage(); })) << page->message().toStdString();
    EXPECT_EQ(page->pageSize(), QImage(choice.pageURL.toLocalFile()).size().transposed())
        << "turned as it was read";
    EXPECT_EQ(page->outlinedRect(), choice.cropRect);

    // The sheet's next item moves the outline on the page already shown.
    QTest::keyClick(focus, Qt::Key_BracketRight, Qt::ControlModifier);
    const QuestionReviewItem next = shown();
    ASSERT_EQ(next.pageURL, choice.pageURL);
    EXPECT_TRUE(page->hasPage());
    EXPECT_EQ(page->outlinedRect(), next.cropRect);

    // By Question, the page follows the card the keyboard is in.
    QuestionReviewGrid* grid = byQuestion(review, writtenQuestion);
    const QuestionReviewItem last = pendingFor(writtenQuestion).last();
    grid->field(last.id)->setFocus();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return page->hasPage() && page->outlinedRect() == last.cropRect; }));
    EXPECT_EQ(grid->currentItemID(), last.id);

    QTest::keyClick(grid->field(last.id), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(review->showsPageView());
    EXPECT_FALSE(review->pageButton()->isChecked());
}

TEST(Theme, ADesktopDarkPaletteIsKeptWithTheBrandAsAccent)
{
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    QApplication::setPalette(dark);
    QFont font = QApplication::font();
    font.setPointSizeF(15);
    QApplication::setFont(font);
    theme::apply(*qApp);

    EXPECT_TRUE(theme::isDark());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0x2b, 0x2b, 0x2b));
    EXPECT_LT(theme::color(theme::Role::card).lightness(), 80);
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
              theme::color(theme::Role::accent));
    EXPECT_EQ(QApplication::font().pointSizeF(), 15);
    EXPECT_TRUE(qApp->styleSheet().contains("font-size: 27.0pt"));

    QApplication::setPalette(original);
    font.setPointSizeF(10);
    QApplication::setFont(font);
    theme::apply(*qApp);
}

// By Question, the checkbox card hears two labels in one utterance, through
// the real recogniser from a recording of synthetic speech.
TEST_F(ReviewWorkTest, TwoSpokenLabelsTickTwoBoxesInTheirCard)
{
    const std::shared_ptr<SpeechRecognizer> recognizer = PocketSphinxRecognizer::shared();
    ASSERT_TRUE(recognizer->isAvailable()) << "the Debian en-US model is installed";
    RecordedAudioSource* audio = nullptr;
    ReviewScreen screen(app.store.get(), [&](QObject* parent) {
        auto source = std::make_unique<RecordedAudioSource>();
        audio = source.get();
        return new SpeechInputController(recognizer, std::move(source), parent);
    });
    screen.resize(1000, 700);
    screen.show();
    QApplication::setActiveWindow(&screen);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
    QuestionReviewGrid* grid = byQuestion(&screen, boxesQuestion);
    const QuestionReviewItem boxes = pendingFor(boxesQuestion).first();
    ReviewAnswerInput* input = grid->input(boxes.id);
    ASSERT_NE(input, nullptr);
    input->field()->setFocus();
    ASSERT_EQ(grid->currentItemID(), boxes.id);

    QString error;
    const QByteArray speech = synthesizedSpeech("Alpine and Provo", &error);
    ASSERT_FALSE(speech.isEmpty()) << error.toStdString();
    audio->setSamples(speech, RecordedAudioSource::Ending::endsInput);
    SpeechInputController* controller = screen.dictation()->controller();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isRecording(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->isRecording(); }, 30000));
    EXPECT_FALSE(controller->errorMessage().has_value())
        << controller->errorMessage().value_or(QString()).toStdString();
    EXPECT_EQ(checkedTexts(input->optionToggles()), (QStringList{"Alpine", "Provo"}));
    for (const QuestionReviewItem& item : app.store->reviewItems()) // nothing reaches another item
        EXPECT_EQ(item.enteredText, item.id == boxes.id ? "Alpine; Provo" : "")
            << item.questionNumber;
}

TEST(PageView, SaysWhyAPageCannotBeShown)
{
    QTemporaryDir dir;
    PageView view;
    QSignalSpy shown(&view, &PageView::pageShown);
    QuestionReviewItem item;
    view.showItem(item);
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_FALSE(view.hasPage());
    EXPECT_EQ(view.message(), "The page of this answer is not known.");

    item.pageURL = QUrl::fromLocalFile(dir.filePath("gone.png"));
    view.showItem(item);
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_FALSE(view.hasPage());
    EXPECT_EQ(view.message(), "The page gone.png could not be read: file not found.");
}
