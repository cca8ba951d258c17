#include "RecognitionWorker.h"

#include "DictationError.h"
#include "PocketSphinxDecoder.h"

namespace {

// A partial transcription is worth reporting about every quarter second.
constexpr int chunksBetweenPartials = 4;

} // namespace

RecognitionWorker::RecognitionWorker(PocketSphinxModel model) : m_model(std::move(model)) {}

RecognitionWorker::~RecognitionWorker() = default;

void RecognitionWorker::cancelUpTo(quint64 id)
{
    quint64 current = m_cancelledUpTo.load();
    while (current < id && !m_cancelledUpTo.compare_exchange_weak(current, id)) {
    }
}

void RecognitionWorker::dropCancelledSession()
{
    if (m_session && m_session->id <= m_cancelledUpTo.load()) {
        m_decoder->endUtterance();
        m_session.reset();
    }
}

bool RecognitionWorker::isCurrent(quint64 id)
{
    dropCancelledSession();
    return m_session && m_session->id == id;
}

void RecognitionWorker::loadDecoder()
{
    if (!m_decoder)
        m_decoder = std::make_unique<PocketSphinxDecoder>(m_model);
    if (!m_wholeDecoder)
        m_wholeDecoder = std::make_unique<PocketSphinxDecoder>(
            m_model, PocketSphinxDecoder::Normalisation::wholeUtterance);
}

void RecognitionWorker::prepare()
{
    try {
        loadDecoder();
    } catch (const DictationError&) {
        // begin() loads again and reports the failure to its dictation.
    }
}

void RecognitionWorker::begin(quint64 id, const QStringList& allowedAnswers, bool several)
{
    dropCancelledSession();
    if (id <= m_cancelledUpTo.load())
        return;
    if (m_session) {
        // One decoder serves one dictation; the newest one wins.
        m_decoder->endUtterance();
        Q_EMIT failed(m_session->id, QStringLiteral("Dictation moved to another answer."));
        m_session.reset();
    }
    try {
        loadDecoder();
        Session session;
        session.id = id;
        if (!allowedAnswers.isEmpty()) {
            ChoiceGrammar grammar = ChoiceGrammar::build(
                allowedAnswers,
                [this](const QString& word) { return m_decoder->isKnownWord(word); }, several);
            if (!grammar.isEmpty()) {
                m_decoder->listenForGrammar(grammar.jsgf());
                m_wholeDecoder->listenForGrammar(grammar.jsgf());
                session.grammar = std::move(grammar);
            }
        }
        if (!session.grammar)
            m_decoder->listenFreely();
        m_decoder->startUtterance();
        m_session = std::move(session);
    } catch (const DictationError& error) {
        Q_EMIT failed(id, error.description());
    }
}

void RecognitionWorker::process(quint64 id, const QByteArray& samples)
{
    if (!isCurrent(id))
        return;
    try {
        m_decoder->process(samples);
        if (m_session->grammar)
            m_session->utterance.append(samples);
        if (m_decoder->hearsSpeech()) {
            m_session->heardSpeech = true;
        } else if (m_session->heardSpeech) {
            endOfSpeech();
            return;
        }
        if (++m_session->chunksSinceResult >= chunksBetweenPartials)
            reportPartial();
    } catch (const DictationError& error) {
        m_decoder->endUtterance();
        m_session.reset();
        Q_EMIT failed(id, error.description());
    }
}

QString RecognitionWorker::joined(const QString& hypothesis) const
{
    if (m_session->heardText.isEmpty())
        return hypothesis;
    if (hypothesis.isEmpty())
        return m_session->heardText;
    return m_session->heardText + QLatin1Char(' ') + hypothesis;
}

void RecognitionWorker::report(const QString& text, bool isFinal)
{
    const quint64 id = m_session->id;
    if (isFinal) {
        m_session.reset();
        Q_EMIT resultReady(id, text, true);
        return;
    }
    m_session->chunksSinceResult = 0;
    if (text.isEmpty() || text == m_session->lastResult)
        return;
    m_session->lastResult = text;
    Q_EMIT resultReady(id, text, false);
}

void RecognitionWorker::reportPartial()
{
    const QString hypothesis = m_decoder->hypothesis();
    report(m_session->grammar ? m_session->grammar->labelFor(hypothesis) : joined(hypothesis),
           false);
}

void RecognitionWorker::endOfSpeech()
{
    const QString hypothesis = m_decoder->endUtterance();
    if (m_session->grammar) {
        // A recognised answer ends the dictation; anything else (a cough, a
        // word that is no answer) keeps listening.
        const QString label = heardLabel(hypothesis);
        if (!label.isEmpty()) {
            report(label, true);
            return;
        }
        m_session->utterance.clear();
    } else {
        m_session->heardText = joined(hypothesis);
        report(m_session->heardText, false);
    }
    m_session->heardSpeech = false;
    m_decoder->startUtterance();
}

QString RecognitionWorker::heardLabel(const QString& streamed)
{
    const QString whole =
        m_session->grammar->labelFor(m_wholeDecoder->decodeWhole(m_session->utterance));
    return whole.isEmpty() ? m_session->grammar->labelFor(streamed) : whole;
}

void RecognitionWorker::finish(quint64 id)
{
    if (!isCurrent(id))
        return;
    const QString hypothesis = m_decoder->endUtterance();
    if (m_session->grammar) {
        QString label;
        try {
            label = heardLabel(hypothesis);
        } catch (const DictationError& error) {
            m_session.reset();
            Q_EMIT failed(id, error.description());
            return;
        }
        report(label.isEmpty() ? m_session->lastResult : label, true);
    } else {
        report(joined(hypothesis), true);
    }
}
