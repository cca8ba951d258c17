#include "ScanWorker.h"

#include "SaneDeviceLayer.h"

#include <QDebug>
#include <atomic>
#include <mutex>

struct ScanWorker::State
{
    LayerFactory factory;
    std::unique_ptr<ScanDeviceLayer> layer; // touched on the worker thread only
    std::atomic<bool> abandoned{false};
};

ScanWorker::ScanWorker(LayerFactory factory) : m_state(std::make_shared<State>())
{
    m_state->factory = std::move(factory);
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("scanner"));
    m_context = new QObject;
    m_context->moveToThread(m_thread);
    m_thread->start();
}

ScanWorker::~ScanWorker()
{
    if (m_state->abandoned) {
        // The thread object goes once the stuck call has returned and the
        // loop below has ended.
        QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    }
    // Queued after every earlier job: release the layer on its own thread,
    // then end the thread's loop.
    QMetaObject::invokeMethod(
        m_context,
        [state = m_state, context = m_context] {
            state->layer.reset();
            delete context;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (m_state->abandoned)
        return;
    if (!m_thread->wait(std::chrono::seconds(5))) {
        // A driver stuck in a call cannot be interrupted; leaving its thread
        // behind is better than crashing on the way out.
        qWarning() << "The scanner driver is still busy; its thread is left running.";
        return;
    }
    delete m_thread;
}

void ScanWorker::post(Job job)
{
    QMetaObject::invokeMethod(
        m_context,
        [state = m_state, job = std::move(job)] {
            if (state->abandoned)
                return;
            try {
                if (!state->layer)
                    state->layer = state->factory();
                job(*state->layer);
            } catch (const std::exception& error) {
                // The job's waiter runs into its bound; the thread stays up.
                qWarning() << "A scanner job failed:" << error.what();
            }
        },
        Qt::QueuedConnection);
}

void ScanWorker::abandon()
{
    m_state->abandoned = true;
}

bool ScanWorker::isAbandoned() const
{
    return m_state->abandoned;
}

std::shared_ptr<ScanWorker> ScanWorker::successor() const
{
    return std::make_shared<ScanWorker>(m_state->factory);
}

std::shared_ptr<ScanWorker> ScanWorker::sane()
{
    static std::mutex mutex;
    static std::weak_ptr<ScanWorker> shared;
    std::lock_guard lock(mutex);
    std::shared_ptr<ScanWorker> worker = shared.lock();
    if (!worker) {
        worker = std::make_shared<ScanWorker>(&makeSaneDeviceLayer);
        shared = worker;
    }
    return worker;
}
