#pragma once

#include "dictation/AudioSource.h"

#include <QTimer>

// A recording played into dictation through the same seam as the microphone.
class RecordedAudioSource : public AudioSource
{
    Q_OBJECT

public:
    // endsInput: the input ends with the recording. keepsListening: silence
    // follows, as from a microphone in a quiet room.
    enum class Ending
    {
        endsInput,
        keepsListening
    };

    explicit RecordedAudioSource(QByteArray samples = {}, Ending ending = Ending::endsInput);

    void setSamples(QByteArray samples, Ending ending);
    void setHasInput(bool hasInput) { m_hasInput = hasInput; }
    // The next start() fails with this description.
    void setStartFailure(const QString& description) { m_startFailure = description; }
    int startCount() const { return m_startCount; }
    bool isCapturing() const { return m_timer.isActive(); }

    bool hasInput() const override { return m_hasInput; }
    void start() override;
    void stop() override;

private:
    void deliverChunk();

    QByteArray m_samples;
    Ending m_ending = Ending::endsInput;
    qsizetype m_position = 0;
    bool m_hasInput = true;
    QString m_startFailure;
    int m_startCount = 0;
    QTimer m_timer;
};
