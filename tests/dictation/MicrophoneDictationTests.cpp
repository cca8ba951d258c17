#include "SpeechSynthesis.h"
#include "dictation/SpeechInputController.h"
#include "dictation/SpokenAnswer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

// The whole microphone path: a private PulseAudio whose default source reads
// a pipe, Qt Multimedia's default input, and the shared PocketSphinx model.
// This program must not touch Qt Multimedia before the server is chosen.
class MicrophoneDictationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_socket = m_dir.filePath("native");
        m_pipe = m_dir.filePath("microphone");
        QDir(m_dir.path()).mkpath("run");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_dir.path());
        environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        m_server.setProcessEnvironment(environment);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(
            "pulseaudio",
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--log-target=stderr", "-L",
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + m_socket,
             "-L",
             QStringLiteral("module-pipe-source source_name=dictation format=s16le rate=16000 "
                            "channels=1 file=") +
                 m_pipe});
        if (!m_server.waitForStarted(5000))
            GTEST_SKIP() << "pulseaudio cannot start: " << m_server.errorString().toStdString();
        const bool ready = QTest::qWaitFor(
            [&] {
                return m_server.state() != QProcess::Running ||
                       (QFile::exists(m_socket) && QFile::exists(m_pipe));
            },
            10000);
        if (!ready || m_server.state() != QProcess::Running)
            GTEST_SKIP() << "pulseaudio did not come up: " << m_server.readAll().toStdString();
        qputenv("PULSE_SERVER", ("unix:" + m_socket).toLocal8Bit());
    }

    void TearDown() override
    {
        m_controller.reset();
        if (m_writer.joinable())
            m_writer.join();
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000))
                m_server.kill();
            m_server.waitForFinished(2000);
        }
    }

    // Whether the server has a recording stream, as pactl lists them.
    bool captureStreamConnected()
    {
        QProcess pactl;
        QProcessEnvironment environment = m_server.processEnvironment();
        environment.insert("PULSE_SERVER", QStringLiteral("unix:") + m_socket);
        pactl.setProcessEnvironment(environment);
        pactl.start("pactl", {"list", "short", "source-outputs"});
        return pactl.waitForFinished(2000) && !pactl.readAllStandardOutput().trimmed().isEmpty();
    }

    // Speaks into the pipe in real time, followed by two seconds of silence.
    void speakIntoMicrophone(QByteArray samples)
    {
        if (m_writer.joinable())
            m_writer.join();
        samples.append(QByteArray(16000 * 2 * 2, '\0'));
        m_writer = std::thread([pipe = m_pipe.toStdString(), samples] {
            const int fd = ::open(pipe.c_str(), O_WRONLY);
            if (fd < 0)
                return;
            constexpr qsizetype chunk = 2048; // 64 ms
            for (qsizetype at = 0; at < samples.size(); at += chunk) {
                const qsizetype size = std::min(chunk, samples.size() - at);
                if (::write(fd, samples.constData() + at, size_t(size)) < 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(64));
            }
            ::close(fd);
        });
    }

    // One dictation of the spoken text, heard as a choice of these labels;
    // the transcript, or an error text.
    QString dictate(const QString& text, const QStringList& labels, bool several = false)
    {
        QString error;
        const QByteArray speech = synthesizedSpeech(text, &error);
        if (speech.isEmpty())
            return error;
        if (!m_controller)
            m_controller.reset(SpeechInputController::createForMicrophone());
        m_controller->setAllowedAnswers(labels, several);
        m_controller->toggle();
        if (!QTest::qWaitFor([&] { return m_controller->isRecording(); }, 5000))
            return m_controller->errorMessage().value_or("never recorded");
        // Speech sent before the capture stream reaches the server is lost.
        if (!QTest::qWaitFor([&] { return captureStreamConnected(); }, 5000))
            return "the capture stream never connected";
        speakIntoMicrophone(speech);
        if (!QTest::qWaitFor([&] { return !m_controller->isRecording(); }, 20000)) {
            m_controller->stop();
            return "still recording";
        }
        return m_controller->errorMessage().value_or(m_controller->transcript());
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QString m_pipe;
    QProcess m_server;
    std::thread m_writer;
    std::unique_ptr<SpeechInputController> m_controller;
};

// One test, one sound server: Qt Multimedia keeps its first connection.
// "none" goes first, to a recogniser that has heard nothing yet.
TEST_F(MicrophoneDictationTest, NoneChoicesAndTwoCheckboxLabelsArriveThroughTheDefaultInput)
{
    const QStringList districts = {"Alpine", "Jordan", "Provo", "Wasatch"};
    const QString none = dictate("none", districts + spokenNoAnswerWords());
    EXPECT_EQ(dictatedAnswer(none), "N/A") << none.toStdString();
    EXPECT_EQ(dictate("seventh", {"5th", "6th", "7th", "8th", "9th", "10th", "11th", "12th"}),
              "7th");
    EXPECT_EQ(dictate("Alpine and Provo", districts + spokenNoAnswerWords(), true),
              "Alpine; Provo");
}
