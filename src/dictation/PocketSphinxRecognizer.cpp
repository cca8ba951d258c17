#include "PocketSphinxRecognizer.h"

#include "RecognitionWorker.h"

#include <QMetaObject>
#include <mutex>

namespace {

// Hands audio to the worker thread and passes back only this dictation's results.
class PocketSphinxTask : public RecognitionTask
{
public:
    PocketSphinxTask(RecognitionWorker* worker, quint64 id) : m_worker(worker), m_id(id)
    {
        connect(worker, &RecognitionWorker::resultReady, this,
                [this](quint64 id, const QString& text, bool isFinal) {
                    if (id == m_id && !m_cancelled)
                        Q_EMIT resultReady(text, isFinal);
                });
        connect(worker, &RecognitionWorker::failed, this,
                [this](quint64 id, const QString& description) {
                    if (id == m_id && !m_cancelled)
                        Q_EMIT failed(description);
                });
    }

    ~PocketSphinxTask() override { cancel(); }

    void appendAudio(const QByteArray& samples) override
    {
        if (m_cancelled)
            return;
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, id = m_id, samples] { worker->process(id, samples); },
            Qt::QueuedConnection);
    }

    void endAudio() override
    {
        if (m_cancelled)
            return;
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, id = m_id] { worker->finish(id); }, Qt::QueuedConnection);
    }

    void cancel() override
    {
        if (m_cancelled)
            return;
        m_cancelled = true;
        m_worker->cancelUpTo(m_id);
    }

private:
    RecognitionWorker* m_worker;
    quint64 m_id;
    bool m_cancelled = false;
};

} // namespace

PocketSphinxRecognizer::PocketSphinxRecognizer(PocketSphinxModel model)
    : m_model(std::move(model)), m_worker(new RecognitionWorker(m_model))
{
    m_thread.setObjectName(QStringLiteral("Dictation"));
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    if (m_model.isComplete())
        QMetaObject::invokeMethod(m_worker, &RecognitionWorker::prepare, Qt::QueuedConnection);
}

PocketSphinxRecognizer::~PocketSphinxRecognizer()
{
    m_worker->cancelUpTo(m_nextId);
    m_thread.quit();
    m_thread.wait();
}

bool PocketSphinxRecognizer::isAvailable() const
{
    return m_model.isComplete();
}

std::unique_ptr<RecognitionTask>
PocketSphinxRecognizer::startTask(const QStringList& allowedAnswers, bool several)
{
    const quint64 id = m_nextId++;
    auto task = std::make_unique<PocketSphinxTask>(m_worker, id);
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, id, allowedAnswers, several] {
            worker->begin(id, allowedAnswers, several);
        },
        Qt::QueuedConnection);
    return task;
}

std::shared_ptr<PocketSphinxRecognizer> PocketSphinxRecognizer::shared()
{
    static std::mutex mutex;
    static std::weak_ptr<PocketSphinxRecognizer> instance;
    const std::lock_guard lock(mutex);
    auto recognizer = instance.lock();
    if (!recognizer) {
        recognizer = std::make_shared<PocketSphinxRecognizer>();
        instance = recognizer;
    }
    return recognizer;
}
