#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// One dictation's recognition: audio goes in, transcriptions come out.
// Signals arrive on the thread that owns the task.
class RecognitionTask : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Samples as AudioSource delivers them.
    virtual void appendAudio(const QByteArray& samples) = 0;
    // The audio is complete; a final result follows.
    virtual void endAudio() = 0;
    // Nothing more is reported after a cancel.
    virtual void cancel() = 0;

Q_SIGNALS:
    // The best transcription so far; isFinal ends the dictation.
    void resultReady(const QString& text, bool isFinal);
    void failed(const QString& description);
};

// Turns speech into text. With allowed answers it listens only for those
// and reports the exact label heard; without, it takes free dictation.
class SpeechRecognizer
{
public:
    virtual ~SpeechRecognizer() = default;

    // Whether recognition can work at all (its model is in place).
    virtual bool isAvailable() const = 0;
    // several: one utterance may name several of the allowed answers.
    virtual std::unique_ptr<RecognitionTask> startTask(const QStringList& allowedAnswers,
                                                       bool several) = 0;
};
