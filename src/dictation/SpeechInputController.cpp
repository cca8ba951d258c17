#include "SpeechInputController.h"

#include "DictationError.h"
#include "MicrophoneAudioSource.h"
#include "PocketSphinxRecognizer.h"

#include <QMetaObject>

SpeechInputController::SpeechInputController(std::shared_ptr<SpeechRecognizer> recognizer,
                                             std::unique_ptr<AudioSource> audioSource,
                                             QObject* parent)
    : QObject(parent), m_recognizer(std::move(recognizer)), m_audioSource(std::move(audioSource))
{
    // Audio reaches the recogniser only while there is a dictation to feed.
    connect(m_audioSource.get(), &AudioSource::audioCaptured, this,
            [this](const QByteArray& samples) {
                if (m_task)
                    m_task->appendAudio(samples);
            });
    connect(m_audioSource.get(), &AudioSource::inputEnded, this, [this] {
        if (m_task)
            m_task->endAudio();
    });
    connect(m_audioSource.get(), &AudioSource::captureFailed, this,
            &SpeechInputController::handleFailure);
}

SpeechInputController::~SpeechInputController()
{
    m_audioSource->disconnect(this);
    m_audioSource->stop();
    cancelTask();
}

SpeechInputController* SpeechInputController::createForMicrophone(QObject* parent)
{
    return new SpeechInputController(PocketSphinxRecognizer::shared(),
                                     std::make_unique<MicrophoneAudioSource>(), parent);
}

void SpeechInputController::setAllowedAnswers(const QStringList& labels, bool several)
{
    m_allowedAnswers = labels;
    m_severalAnswers = several;
}

void SpeechInputController::toggle()
{
    if (m_isRecording) {
        stop();
        return;
    }
    QMetaObject::invokeMethod(this, &SpeechInputController::start, Qt::QueuedConnection);
}

void SpeechInputController::start()
{
    setErrorMessage(std::nullopt);
    setTranscript(QString());
    if (!requestSpeechAuthorization()) {
        setErrorMessage(QStringLiteral("Speech recognition permission is needed for dictation."));
        return;
    }
    if (!requestMicrophoneAccess()) {
        setErrorMessage(QStringLiteral("No microphone found."));
        return;
    }
    try {
        beginRecording();
    } catch (const DictationError& error) {
        setErrorMessage(error.description());
        stop();
        return;
    }
    setRecording(true);
}

bool SpeechInputController::requestSpeechAuthorization() const
{
    // Without a recogniser there is nothing to authorise: audio is recorded
    // and nothing is recognised.
    return !m_recognizer || m_recognizer->isAvailable();
}

bool SpeechInputController::requestMicrophoneAccess() const
{
    return m_audioSource->hasInput();
}

void SpeechInputController::beginRecording()
{
    cancelTask();
    if (m_recognizer) {
        m_task = m_recognizer->startTask(m_allowedAnswers, m_severalAnswers);
        connect(m_task.get(), &RecognitionTask::resultReady, this,
                &SpeechInputController::handleResult);
        connect(m_task.get(), &RecognitionTask::failed, this,
                &SpeechInputController::handleFailure);
    }
    m_audioSource->stop();
    m_capturing = true;
    m_audioSource->start();
}

void SpeechInputController::cancelTask()
{
    if (!m_task)
        return;
    m_task->disconnect(this);
    m_task->cancel();
    // A final result or failure stops dictation from inside the task's own
    // signal, so the task is released once that signal has returned.
    m_task.release()->deleteLater();
}

void SpeechInputController::stop()
{
    if (m_capturing) {
        m_capturing = false;
        m_audioSource->stop();
    }
    if (m_task) {
        // Whatever the task still reports belongs to a dictation that is over.
        m_task->disconnect(this);
        m_task->endAudio();
    }
    cancelTask();
    setRecording(false);
}

void SpeechInputController::handleResult(const QString& text, bool isFinal)
{
    setTranscript(text);
    if (isFinal)
        stop();
}

void SpeechInputController::handleFailure(const QString& description)
{
    setErrorMessage(description);
    stop();
}

void SpeechInputController::setRecording(bool isRecording)
{
    if (m_isRecording == isRecording)
        return;
    m_isRecording = isRecording;
    Q_EMIT isRecordingChanged(m_isRecording);
}

void SpeechInputController::setTranscript(const QString& transcript)
{
    if (m_transcript == transcript)
        return;
    m_transcript = transcript;
    Q_EMIT transcriptChanged(m_transcript);
}

void SpeechInputController::setErrorMessage(const std::optional<QString>& errorMessage)
{
    if (m_errorMessage == errorMessage)
        return;
    m_errorMessage = errorMessage;
    Q_EMIT errorMessageChanged(m_errorMessage);
}
