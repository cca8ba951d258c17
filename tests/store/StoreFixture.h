#pragma once

#include "StoreFakes.h"
#include "ai/AISettingsStore.h"
#include "store/SurveyScanStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

// A store over a scripted scanner, the given reader, real AI settings in a
// temporary file, and a temporary folder for project and CSV files. AI runs
// local-only, and has no client unless one is given.
template <typename Reader> class StoreOver : public ::testing::Test
{
protected:
    template <typename... ReaderArgs>
    explicit StoreOver(AIAnswerAnalysisService* ai, ReaderArgs&&... readerArgs)
        : reader(std::forward<ReaderArgs>(readerArgs)...),
          settings(dir.filePath(QStringLiteral("settings.ini"))),
          store(&scanner, &reader, &settings, ai, &panels)
    {
        settings.setDetectionMode(AIDetectionMode::localOnly);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Selects an online, controllable scanner the way a refresh does.
    void connectScanner(bool duplex = false)
    {
        scanner.devices = {onlineScanner(QStringLiteral("test:0"), duplex)};
        QCoro::waitFor(store.refreshScanners());
        store.selectScanner(QStringLiteral("test:0"));
    }

    // Scans one batch of `sheets` sheets of `sides` pages to the end.
    void runBatch(int sheets, int sides = 1)
    {
        scanner.scripted.enqueue(makeScannedBatch(sheets, sides));
        QCoro::waitFor(store.startScanBatch());
    }

    QTemporaryDir dir;
    FakeScannerService scanner;
    Reader reader;
    FakeFilePanels panels;
    AISettingsStore settings;
    SurveyScanStore store;
};

// The store over a scripted reader that answers "A" to all fourteen questions.
class StoreFixture : public StoreOver<FakeExtractionService>
{
protected:
    explicit StoreFixture(AIAnswerAnalysisService* ai = nullptr) : StoreOver(ai)
    {
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, false); };
    }
};
