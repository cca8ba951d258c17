#pragma once

#include "AudioSource.h"
#include "SpeechRecognizer.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Dictation of one review answer: records from an audio source, feeds a
// recogniser and publishes the best transcription so far. Lives on the
// interface thread; recognition itself runs elsewhere.
class SpeechInputController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(QString transcript READ transcript NOTIFY transcriptChanged)

public:
    // recognizer may be null: audio is then captured but nothing recognised.
    SpeechInputController(std::shared_ptr<SpeechRecognizer> recognizer,
                          std::unique_ptr<AudioSource> audioSource, QObject* parent = nullptr);
    ~SpeechInputController() override;

    // The shared PocketSphinx recogniser and the default microphone.
    static SpeechInputController* createForMicrophone(QObject* parent = nullptr);

    bool isRecording() const { return m_isRecording; }
    const QString& transcript() const { return m_transcript; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }

    // The labels a choice question allows; dictation then listens for exactly
    // these and the transcript is the label heard. Empty means free dictation.
    // several: one utterance may name several labels (checkbox questions).
    void setAllowedAnswers(const QStringList& labels, bool several = false);
    const QStringList& allowedAnswers() const { return m_allowedAnswers; }

    // Stops while recording; otherwise starts on the next turn of the event loop.
    void toggle();
    void start();
    void stop();

Q_SIGNALS:
    void isRecordingChanged(bool isRecording);
    void transcriptChanged(const QString& transcript);
    void errorMessageChanged(const std::optional<QString>& errorMessage);

private:
    bool requestSpeechAuthorization() const;
    bool requestMicrophoneAccess() const;
    void beginRecording();
    void cancelTask();
    void handleResult(const QString& text, bool isFinal);
    void handleFailure(const QString& description);

    void setRecording(bool isRecording);
    void setTranscript(const QString& transcript);
    void setErrorMessage(const std::optional<QString>& errorMessage);

    bool m_isRecording = false;
    QString m_transcript;
    std::optional<QString> m_errorMessage;
    QStringList m_allowedAnswers;
    bool m_severalAnswers = false;
    const std::shared_ptr<SpeechRecognizer> m_recognizer;
    const std::unique_ptr<AudioSource> m_audioSource;
    std::unique_ptr<RecognitionTask> m_task;
    bool m_capturing = false;
};
