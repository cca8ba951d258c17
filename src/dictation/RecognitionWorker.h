#pragma once

#include "ChoiceGrammar.h"
#include "PocketSphinxModel.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

class PocketSphinxDecoder;

// Runs the decoder on its own thread, one dictation at a time. Dictations
// are numbered in start order; a cancelled one's queued audio is skipped.
class RecognitionWorker : public QObject
{
    Q_OBJECT

public:
    explicit RecognitionWorker(PocketSphinxModel model);
    ~RecognitionWorker() override;

    // Thread-safe: every dictation numbered up to id is dropped.
    void cancelUpTo(quint64 id);

    // The following run on the worker thread.
    // Loads the model ahead of the first dictation; a failure is reported by
    // the dictation that needs the model.
    void prepare();
    void begin(quint64 id, const QStringList& allowedAnswers, bool several);
    void process(quint64 id, const QByteArray& samples);
    void finish(quint64 id);

Q_SIGNALS:
    void resultReady(quint64 id, const QString& text, bool isFinal);
    void failed(quint64 id, const QString& description);

private:
    struct Session
    {
        quint64 id = 0;
        std::optional<ChoiceGrammar> grammar;
        QString heardText;    // free dictation: the finished utterances so far
        QString lastResult;   // the last text reported
        QByteArray utterance; // choice dictation: the audio since the utterance began
        bool heardSpeech = false;
        int chunksSinceResult = 0;
    };

    bool isCurrent(quint64 id);
    void dropCancelledSession();
    void loadDecoder();
    void reportPartial();
    void endOfSpeech();
    // The label the utterance names, decoded whole; else what streaming heard.
    QString heardLabel(const QString& streamed);
    QString joined(const QString& hypothesis) const;
    void report(const QString& text, bool isFinal);

    PocketSphinxModel m_model;
    std::unique_ptr<PocketSphinxDecoder> m_decoder;
    std::unique_ptr<PocketSphinxDecoder> m_wholeDecoder; // for choices
    std::optional<Session> m_session;
    std::atomic<quint64> m_cancelledUpTo{0};
};
