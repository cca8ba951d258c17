#pragma once

#include "PocketSphinxModel.h"

#include <QByteArray>
#include <QString>
#include <memory>

// One PocketSphinx decoder. Not thread-safe: one thread uses it for its life.
class PocketSphinxDecoder
{
public:
    // How the sound is normalised: as it streams in, from what was heard so
    // far (partial results while the person speaks; free dictation), or over
    // each whole utterance (short answers, whose few sounds the streaming
    // estimate gets wrong: a lone "none" came back empty or as "Wasatch").
    enum class Normalisation
    {
        streaming,
        wholeUtterance
    };

    // Throws DictationError when the model cannot be loaded. A whole-utterance
    // decoder listens for grammars only.
    explicit PocketSphinxDecoder(const PocketSphinxModel& model,
                                 Normalisation normalisation = Normalisation::streaming);
    ~PocketSphinxDecoder();
    PocketSphinxDecoder(const PocketSphinxDecoder&) = delete;
    PocketSphinxDecoder& operator=(const PocketSphinxDecoder&) = delete;

    bool isKnownWord(const QString& word) const;
    // Throws DictationError when the grammar is refused.
    void listenForGrammar(const QString& jsgf);
    void listenFreely();

    void startUtterance();
    void process(const QByteArray& samples);
    // Whether the voice detector currently hears speech.
    bool hearsSpeech() const;
    QString hypothesis() const;
    // Ends the utterance and returns its best hypothesis.
    QString endUtterance();
    // One whole utterance decoded at once: its best hypothesis.
    QString decodeWhole(const QByteArray& samples);

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
    bool m_inUtterance = false;
};
