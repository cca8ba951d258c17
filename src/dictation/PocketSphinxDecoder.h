#pragma once

#include "PocketSphinxModel.h"

#include <QByteArray>
#include <QString>
#include <memory>

// One PocketSphinx decoder. Not thread-safe: one thread uses it for its life.
class PocketSphinxDecoder
{
public:
    // Throws DictationError when the model cannot be loaded.
    explicit PocketSphinxDecoder(const PocketSphinxModel& model);
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

private:
    struct Handles;
    std::unique_ptr<Handles> m_handles;
    bool m_inUtterance = false;
};
