#pragma once

#include "scanner/SaneDeviceLayer.h"
#include "scanner/ScanWorker.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The SANE `test` backend through a private configuration folder, so the
// tests never depend on (or change) the system's scanner set-up. SANE reads
// the folder once per process: each test program has one configuration and
// one worker, stopped when the tests end, while the application still exists.
struct SaneTestBackend : ::testing::Environment
{
    inline static QTemporaryDir* config = nullptr;
    inline static std::shared_ptr<ScanWorker> worker;

    void TearDown() override
    {
        worker.reset();
        delete config;
    }

    static std::shared_ptr<ScanWorker> start(const QByteArray& testConf)
    {
        if (worker)
            return worker;
        config = new QTemporaryDir;
        for (const auto& [name, text] :
             {std::pair{"dll.conf", QByteArray("test\n")}, std::pair{"test.conf", testConf}}) {
            QFile file(config->filePath(QLatin1String(name)));
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
                qFatal("cannot write the SANE test configuration");
        }
        qputenv("SANE_CONFIG_DIR", config->path().toLocal8Bit());
        worker = std::make_shared<ScanWorker>(&makeSaneDeviceLayer);
        return worker;
    }
};
inline const auto* const saneTestBackend = ::testing::AddGlobalTestEnvironment(new SaneTestBackend);
