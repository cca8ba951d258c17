#include "RecordedAudioSource.h"

#include "dictation/DictationError.h"

namespace {

// 1024 frames of 16-bit mono: 64 ms of audio.
constexpr qsizetype chunkBytes = 2048;

} // namespace

RecordedAudioSource::RecordedAudioSource(QByteArray samples, Ending ending)
    : m_samples(std::move(samples)), m_ending(ending)
{
    connect(&m_timer, &QTimer::timeout, this, &RecordedAudioSource::deliverChunk);
}

void RecordedAudioSource::setSamples(QByteArray samples, Ending ending)
{
    m_samples = std::move(samples);
    m_ending = ending;
}

void RecordedAudioSource::start()
{
    ++m_startCount;
    if (!m_startFailure.isEmpty())
        throw DictationError(m_startFailure);
    m_position = 0;
    // Faster than real time while the recording plays, so tests stay quick.
    m_timer.start(2);
}

void RecordedAudioSource::stop()
{
    m_timer.stop();
}

void RecordedAudioSource::deliverChunk()
{
    if (m_position < m_samples.size()) {
        Q_EMIT audioCaptured(m_samples.mid(m_position, chunkBytes));
        m_position += chunkBytes;
        return;
    }
    if (m_ending == Ending::endsInput) {
        m_timer.stop();
        Q_EMIT inputEnded();
        return;
    }
    // Silence arrives in real time once the recording is over.
    m_timer.setInterval(64);
    Q_EMIT audioCaptured(QByteArray(chunkBytes, '\0'));
}
