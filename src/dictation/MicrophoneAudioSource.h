#pragma once

#include "AudioSource.h"

#include <memory>

class QAudioSource;
class QIODevice;

// The default audio input through Qt Multimedia, recorded as 16 kHz mono
// signed 16-bit samples.
class MicrophoneAudioSource : public AudioSource
{
    Q_OBJECT

public:
    explicit MicrophoneAudioSource(QObject* parent = nullptr);
    ~MicrophoneAudioSource() override;

    bool hasInput() const override;
    void start() override;
    void stop() override;

private:
    void readAvailable();

    std::unique_ptr<QAudioSource> m_source;
    QIODevice* m_device = nullptr;
    QByteArray m_pendingByte;
};
