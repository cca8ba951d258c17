#include "PocketSphinxDecoder.h"

#include "DictationError.h"

#include <pocketsphinx.h>

namespace {

const char* const grammarSearch = "choices";
// The language-model search the decoder sets up from "-lm".
const char* const freeSearch = "_default";

} // namespace

struct PocketSphinxDecoder::Handles
{
    cmd_ln_t* config = nullptr;
    ps_decoder_t* decoder = nullptr;
};

PocketSphinxDecoder::PocketSphinxDecoder(const PocketSphinxModel& model,
                                         Normalisation normalisation)
    : m_handles(std::make_unique<Handles>())
{
    const QByteArray hmm = model.acousticModelFolder.toLocal8Bit();
    const QByteArray lm = model.languageModelFile.toLocal8Bit();
    const QByteArray dict = model.dictionaryFile.toLocal8Bit();
    // Decoder chatter would otherwise go to standard error.
    if (normalisation == Normalisation::streaming)
        m_handles->config =
            cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-lm", lm.constData(),
                        "-dict", dict.constData(), "-logfn", "/dev/null", nullptr);
    else
        m_handles->config =
            cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict",
                        dict.constData(), "-cmn", "batch", "-logfn", "/dev/null", nullptr);
    if (m_handles->config)
        m_handles->decoder = ps_init(m_handles->config);
    if (!m_handles->decoder) {
        if (m_handles->config)
            cmd_ln_free_r(m_handles->config);
        throw DictationError(QStringLiteral("The speech recognition model could not be loaded."));
    }
}

PocketSphinxDecoder::~PocketSphinxDecoder()
{
    if (m_inUtterance)
        ps_end_utt(m_handles->decoder);
    ps_free(m_handles->decoder);
    cmd_ln_free_r(m_handles->config);
}

bool PocketSphinxDecoder::isKnownWord(const QString& word) const
{
    char* phones = ps_lookup_word(m_handles->decoder, word.toUtf8().constData());
    const bool known = phones != nullptr;
    ckd_free(phones);
    return known;
}

void PocketSphinxDecoder::listenForGrammar(const QString& jsgf)
{
    if (ps_set_jsgf_string(m_handles->decoder, grammarSearch, jsgf.toUtf8().constData()) != 0 ||
        ps_set_search(m_handles->decoder, grammarSearch) != 0)
        throw DictationError(
            QStringLiteral("The allowed answers could not be prepared for dictation."));
}

void PocketSphinxDecoder::listenFreely()
{
    if (ps_set_search(m_handles->decoder, freeSearch) != 0)
        throw DictationError(QStringLiteral("Free dictation is not available."));
}

void PocketSphinxDecoder::startUtterance()
{
    if (ps_start_utt(m_handles->decoder) != 0)
        throw DictationError(QStringLiteral("Speech recognition could not start."));
    m_inUtterance = true;
}

void PocketSphinxDecoder::process(const QByteArray& samples)
{
    const auto* data = reinterpret_cast<const int16*>(samples.constData());
    const size_t count = size_t(samples.size()) / sizeof(int16);
    if (ps_process_raw(m_handles->decoder, data, count, FALSE, FALSE) < 0)
        throw DictationError(QStringLiteral("Speech recognition failed on the recorded audio."));
}

bool PocketSphinxDecoder::hearsSpeech() const
{
    return ps_get_in_speech(m_handles->decoder) != 0;
}

QString PocketSphinxDecoder::hypothesis() const
{
    int32 score = 0;
    const char* text = ps_get_hyp(m_handles->decoder, &score);
    return text ? QString::fromUtf8(text) : QString();
}

QString PocketSphinxDecoder::decodeWhole(const QByteArray& samples)
{
    if (m_inUtterance)
        endUtterance();
    startUtterance();
    const auto* data = reinterpret_cast<const int16*>(samples.constData());
    const size_t count = size_t(samples.size()) / sizeof(int16);
    if (ps_process_raw(m_handles->decoder, data, count, FALSE, TRUE) < 0) {
        endUtterance();
        throw DictationError(QStringLiteral("Speech recognition failed on the recorded audio."));
    }
    return endUtterance();
}

QString PocketSphinxDecoder::endUtterance()
{
    if (!m_inUtterance)
        return QString();
    m_inUtterance = false;
    ps_end_utt(m_handles->decoder);
    return hypothesis();
}
