#pragma once

#include "ScanDeviceLayer.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

// The one thread that makes every blocking scanner call. The device layer is
// made on it at the first job and destroyed on it when the worker stops, so
// no device handle ever crosses threads. Jobs run one after another.
class ScanWorker
{
public:
    using LayerFactory = std::function<std::unique_ptr<ScanDeviceLayer>()>;
    using Job = std::function<void(ScanDeviceLayer&)>;

    explicit ScanWorker(LayerFactory factory);
    ~ScanWorker();

    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Queues a job; it runs on the worker thread after the earlier ones.
    void post(Job job);

    // Gives the thread up to a driver call that does not come back: no job
    // posted later runs, destroying the worker does not wait, and the
    // thread ends on its own if the call ever returns.
    void abandon();
    bool isAbandoned() const;

    // A fresh worker on a thread of its own, making the same device layer.
    std::shared_ptr<ScanWorker> successor() const;

    // The process's worker over SANE, shared by every service that asks for
    // it while one is alive (SANE is initialised once).
    static std::shared_ptr<ScanWorker> sane();

private:
    struct State;
    std::shared_ptr<State> m_state;
    QThread* m_thread = nullptr;
    QObject* m_context = nullptr;
};
