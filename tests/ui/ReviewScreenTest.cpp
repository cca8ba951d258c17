#include "../dictation/RecordedAudioSource.h"
#include "../dictation/SpeechSynthesis.h"
#include "UiTestSupport.h"

#include "dictation/PocketSphinxRecognizer.h"
#include "dictation/SpeechInputController.h"
#include "ui/PageView.h"
#include "ui/QuestionReviewGrid.h"
#include "ui/ReviewAnswerInput.h"
#include "ui/ReviewDictation.h"
#include "ui/ReviewScreen.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace uitest;

namespace {

const QString districts = "Alpine\nJordan\nProvo\nWasatch";

// A review screen over one scanned survey's three doubts
// (a single choice, checkboxes, a written answer), with dictation through
// the real recogniser from a recording of synthetic speech.
class ReviewScreenDictation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_recognizer->isAvailable()) << "the Debian en-US model is installed";
        SurveyConfiguration configuration = m_app.store->configuration();
        configuration.questionCount = 3;
        configuration.templateFields = {
            {1, "District", SurveyDetectionMode::singleChoice, districts},
            {2, "Districts visited", SurveyDetectionMode::multipleChoice, districts},
            {3, "Why?", SurveyDetectionMode::written, {}}};
        m_app.store->setConfiguration(configuration);
        QCoro::waitFor(m_app.store->refreshScanners());
        QCoro::waitFor(m_app.store->startScanBatch());
        ASSERT_EQ(m_app.store->reviewItems().size(), 3);

        m_screen = std::make_unique<ReviewScreen>(m_app.store.get(), [this](QObject* parent) {
            auto source = std::make_unique<RecordedAudioSource>();
            m_audio = source.get();
            return new SpeechInputController(m_recognizer, std::move(source), parent);
        });
        m_screen->resize(1000, 700);
        m_screen->show();
        QApplication::setActiveWindow(m_screen.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_screen.get()));
    }

    QuestionReviewItem pending(qint64 question) const
    {
        for (const QuestionReviewItem& item : m_app.store->reviewItems()) {
            if (item.questionNumber == question)
                return item;
        }
        return {};
    }

    // Says the text and dictates it with Ctrl+D from the focused widget.
    void dictate(const QString& text)
    {
        QString error;
        const QByteArray speech = synthesizedSpeech(text, &error);
        ASSERT_FALSE(speech.isEmpty()) << error.toStdString();
        m_audio->setSamples(speech, RecordedAudioSource::Ending::endsInput);
        SpeechInputController* controller = m_screen->dictation()->controller();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller->isRecording(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->isRecording(); }, 30000));
        EXPECT_FALSE(controller->errorMessage().has_value())
            << controller->errorMessage().value_or(QString()).toStdString();
    }

    QTemporaryDir m_dir;
    SampleScanner m_scanner{{feeder()}, samplePages(2)};
    DoubtfulReader m_reader{{"Provo", "N/A", "N/A"}, {{1, {}}, {2, {}}, {3, {}}}};
    App m_app{m_dir.filePath("preferences.ini"), &m_scanner, &m_reader};
    std::shared_ptr<SpeechRecognizer> m_recognizer = PocketSphinxRecognizer::shared();
    RecordedAudioSource* m_audio = nullptr;
    std::unique_ptr<ReviewScreen> m_screen;
};

} // namespace

TEST_F(ReviewScreenDictation, TwoSpokenLabelsTickTwoBoxesInTheirCard)
{
    // By Question: the checkbox card hears two labels in one utterance.
    m_screen->setByQuestion(true);
    QuestionReviewGrid* grid = m_screen->questionGrid();
    grid->questionPicker()->setCurrentIndex(grid->questionPicker()->findData(2));
    const QuestionReviewItem boxes = pending(2);
    ReviewAnswerInput* input = grid->input(boxes.id);
    ASSERT_NE(input, nullptr);
    input->field()->setFocus();
    ASSERT_EQ(grid->currentItemID(), boxes.id);
    dictate("Alpine and Provo");
    EXPECT_EQ(pending(2).enteredText, "Alpine; Provo");
    EXPECT_EQ(checkedTexts(input->optionToggles()), (QStringList{"Alpine", "Provo"}));
    EXPECT_EQ(pending(1).enteredText + pending(3).enteredText, QString())
        << "nothing heard reaches another item";
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
