#pragma once

#include "PocketSphinxModel.h"
#include "SpeechRecognizer.h"

#include <QThread>
#include <atomic>
#include <memory>

class RecognitionWorker;

// PocketSphinx behind the recogniser seam. The decoder loads on first use and
// decodes on a thread of its own, so the interface never waits for it.
class PocketSphinxRecognizer : public SpeechRecognizer
{
public:
    explicit PocketSphinxRecognizer(PocketSphinxModel model = PocketSphinxModel::debianEnglish());
    ~PocketSphinxRecognizer() override;

    bool isAvailable() const override;
    std::unique_ptr<RecognitionTask> startTask(const QStringList& allowedAnswers,
                                               bool several) override;

    // One recogniser for the whole program: every review card shares the
    // loaded model instead of loading its own.
    static std::shared_ptr<PocketSphinxRecognizer> shared();

private:
    PocketSphinxModel m_model;
    QThread m_thread;
    RecognitionWorker* m_worker = nullptr;
    quint64 m_nextId = 1;
};
