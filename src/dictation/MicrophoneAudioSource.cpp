#include "MicrophoneAudioSource.h"

#include "DictationError.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QMediaDevices>

namespace {

QAudioFormat dictationFormat()
{
    QAudioFormat format;
    format.setSampleRate(16000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

QString describe(QAudio::Error error)
{
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("The microphone could not be opened.");
    case QAudio::IOError:
        return QStringLiteral("Reading from the microphone failed.");
    case QAudio::UnderrunError:
    case QAudio::FatalError:
        return QStringLiteral("The microphone stopped working.");
    case QAudio::NoError:
        break;
    }
    return QString();
}

} // namespace

MicrophoneAudioSource::MicrophoneAudioSource(QObject* parent) : AudioSource(parent) {}

MicrophoneAudioSource::~MicrophoneAudioSource()
{
    stop();
}

bool MicrophoneAudioSource::hasInput() const
{
    return !QMediaDevices::defaultAudioInput().isNull();
}

void MicrophoneAudioSource::start()
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        throw DictationError(QStringLiteral("No microphone is connected."));
    const QAudioFormat format = dictationFormat();
    if (!device.isFormatSupported(format))
        throw DictationError(
            QStringLiteral("The microphone cannot record 16 kHz mono audio for dictation."));
    m_source = std::make_unique<QAudioSource>(device, format);
    // A quarter second of buffer keeps the transcript close behind the voice
    // without dropping audio when the interface is busy for a moment.
    m_source->setBufferSize(format.bytesForDuration(250000));
    m_device = m_source->start();
    if (!m_device || m_source->error() != QAudio::NoError) {
        const QString description = describe(m_source->error());
        stop();
        throw DictationError(description.isEmpty()
                                 ? QStringLiteral("The microphone could not be opened.")
                                 : description);
    }
    connect(m_device, &QIODevice::readyRead, this, &MicrophoneAudioSource::readAvailable);
    connect(m_source.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
            Q_EMIT captureFailed(describe(m_source->error()));
    });
}

void MicrophoneAudioSource::stop()
{
    if (!m_source)
        return;
    if (m_device)
        m_device->disconnect(this);
    m_source->disconnect(this);
    m_source->stop();
    m_source.reset();
    m_device = nullptr;
    m_pendingByte.clear();
}

void MicrophoneAudioSource::readAvailable()
{
    if (!m_device)
        return;
    // Whole samples only; an odd trailing byte waits for the next read.
    QByteArray samples = m_pendingByte + m_device->readAll();
    m_pendingByte = samples.size() % 2 != 0 ? samples.right(1) : QByteArray();
    samples.chop(m_pendingByte.size());
    if (!samples.isEmpty())
        Q_EMIT audioCaptured(samples);
}
