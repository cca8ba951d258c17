#include "RecordedAudioSource.h"
#include "dictation/PocketSphinxRecognizer.h"
#include "dictation/SpeechInputController.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Recognition that reports a result or an error once the audio is complete,
// for the paths real speech cannot provoke on demand.
class ScriptedRecognizer : public SpeechRecognizer
{
public:
    QString failure;
    QString finalText;
    int tasksStarted = 0;

    bool isAvailable() const override { return true; }
    std::unique_ptr<RecognitionTask> startTask(const QStringList&, bool) override
    {
        ++tasksStarted;
        return std::make_unique<Task>(this);
    }

private:
    class Task : public RecognitionTask
    {
    public:
        explicit Task(ScriptedRecognizer* owner) : m_owner(owner) {}
        void appendAudio(const QByteArray&) override {}
        void endAudio() override
        {
            if (!m_owner->failure.isEmpty())
                Q_EMIT failed(m_owner->failure);
            else
                Q_EMIT resultReady(m_owner->finalText, true);
        }
        void cancel() override {}

    private:
        ScriptedRecognizer* m_owner;
    };
};

struct Harness
{
    explicit Harness(std::shared_ptr<SpeechRecognizer> recognizer)
    {
        auto source = std::make_unique<RecordedAudioSource>(QByteArray(2048 * 3, '\0'));
        audio = source.get();
        controller =
            std::make_unique<SpeechInputController>(std::move(recognizer), std::move(source));
    }
    RecordedAudioSource* audio = nullptr;
    std::unique_ptr<SpeechInputController> controller;
};

} // namespace

TEST(SpeechInputControllerTest, MissingModelAsksForSpeechPermissionAndRecordsNothing)
{
    QTemporaryDir empty;
    Harness harness(std::make_shared<PocketSphinxRecognizer>(
        PocketSphinxModel::inFolder(empty.filePath("missing"))));
    harness.controller->start();
    EXPECT_EQ(harness.controller->errorMessage(),
              "Speech recognition permission is needed for dictation.");
    EXPECT_FALSE(harness.controller->isRecording());
    EXPECT_EQ(harness.audio->startCount(), 0);
}

// A start that fails clears the last dictation, shows its reason and stays idle.
TEST(SpeechInputControllerTest, MissingInputOrFailedCaptureShowsItsReasonAndStaysIdle)
{
    auto recognizer = std::make_shared<ScriptedRecognizer>();
    recognizer->finalText = "Maybe";
    Harness harness(recognizer);
    harness.controller->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.controller->isRecording(); }, 5000));
    ASSERT_EQ(harness.controller->transcript(), "Maybe");

    QSignalSpy recordingSpy(harness.controller.get(), &SpeechInputController::isRecordingChanged);
    harness.audio->setHasInput(false);
    harness.controller->start();
    EXPECT_EQ(harness.controller->errorMessage(), "No microphone found.");
    EXPECT_TRUE(harness.controller->transcript().isEmpty());
    EXPECT_EQ(harness.audio->startCount(), 1);
    EXPECT_EQ(recognizer->tasksStarted, 1);

    harness.audio->setHasInput(true);
    harness.audio->setStartFailure("The microphone could not be opened.");
    harness.controller->start();
    EXPECT_EQ(harness.controller->errorMessage(), "The microphone could not be opened.");
    EXPECT_FALSE(harness.controller->isRecording());
    EXPECT_EQ(recordingSpy.count(), 0);
}

TEST(SpeechInputControllerTest, RecognitionErrorStopsRecordingWithItsDescription)
{
    auto recognizer = std::make_shared<ScriptedRecognizer>();
    recognizer->failure = "Speech recognition failed on the recorded audio.";
    Harness harness(recognizer);
    harness.controller->start();
    EXPECT_TRUE(harness.controller->isRecording());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !harness.controller->isRecording(); }, 5000));
    EXPECT_EQ(harness.controller->errorMessage(), recognizer->failure);
    EXPECT_FALSE(harness.audio->isCapturing());
}

TEST(SpeechInputControllerTest, WithoutRecognizerRecordsButTranscribesNothing)
{
    Harness harness(nullptr);
    QSignalSpy recordingSpy(harness.controller.get(), &SpeechInputController::isRecordingChanged);
    harness.controller->toggle();
    EXPECT_FALSE(harness.controller->isRecording()) << "toggle starts on the next event loop turn";
    ASSERT_TRUE(QTest::qWaitFor([&] { return harness.controller->isRecording(); }, 5000));
    QTest::qWait(50);
    EXPECT_TRUE(harness.controller->isRecording() && harness.controller->transcript().isEmpty());

    harness.controller->toggle();
    EXPECT_FALSE(harness.controller->isRecording());
    EXPECT_FALSE(harness.audio->isCapturing());
    harness.controller->stop();
    EXPECT_EQ(recordingSpy.count(), 2) << "each real change is announced once";
}
