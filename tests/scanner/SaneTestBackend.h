#pragma once

#include "scanner/SaneScannerService.h"

#include <QTemporaryDir>
#include <memory>

// The SANE `test` backend through a private configuration folder, so the
// tests never depend on (or change) the system's scanner set-up. SANE reads
// the folder once per initialisation, so one worker serves the whole suite.
class SaneTestBackend
{
public:
    static SaneTestBackend& instance();

    std::shared_ptr<ScanWorker> worker() const { return m_worker; }

    SaneTestBackend();

private:
    QTemporaryDir m_config;
    std::shared_ptr<ScanWorker> m_worker;
};
