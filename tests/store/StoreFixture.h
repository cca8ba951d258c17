#pragma once

#include "StoreFakes.h"
#include "ai/AISettingsStore.h"
#include "store/SurveyScanStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A store over scripted collaborators, real AI settings in a temporary file,
// and a temporary folder for project and CSV files. AI runs local-only.
class StoreFixture : public ::testing::Test
{
protected:
    StoreFixture()
        : settings(dir.filePath(QStringLiteral("settings.ini"))),
          store(&scanner, &reader, &settings, nullptr, &panels)
    {
        settings.setDetectionMode(AIDetectionMode::localOnly);
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, false); };
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Selects an online, controllable scanner the way a refresh does.
    void connectScanner(bool duplex = false)
    {
        scanner.devices = {onlineScanner(QStringLiteral("test:0"), duplex)};
        QCoro::waitFor(store.refreshScanners());
        store.selectScanner(QStringLiteral("test:0"));
    }

    // Scans one batch of `sheets` one-sided sheets to the end.
    void runBatch(int sheets, int sides = 1)
    {
        scanner.scripted.enqueue(makeScannedBatch(sheets, sides));
        QCoro::waitFor(store.startScanBatch());
    }

    QTemporaryDir dir;
    FakeScannerService scanner;
    FakeExtractionService reader;
    FakeFilePanels panels;
    AISettingsStore settings;
    SurveyScanStore store;
};
