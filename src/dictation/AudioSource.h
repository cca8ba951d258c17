#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Where dictation audio comes from: 16 kHz, mono, signed 16-bit little-endian
// samples. The microphone is one source; a recording is another.
class AudioSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether there is an input to record from at all.
    virtual bool hasInput() const = 0;
    // Starts delivering audio; throws DictationError when capture cannot start.
    virtual void start() = 0;
    // Stops delivering audio. Stopping a stopped source does nothing.
    virtual void stop() = 0;

Q_SIGNALS:
    void audioCaptured(const QByteArray& samples);
    // No more audio will come (a recording ran out).
    void inputEnded();
    // Capture broke off after it had started.
    void captureFailed(const QString& description);
};
