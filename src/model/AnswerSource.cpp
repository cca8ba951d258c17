#include "AnswerSource.h"

#include <algorithm>

QString storedName(AnswerSource source)
{
    switch (source) {
    case AnswerSource::reviewed:
        return QStringLiteral("reviewed");
    case AnswerSource::edited:
        return QStringLiteral("edited");
    }
    return {};
}

std::optional<AnswerSource> answerSourceNamed(const QString& name)
{
    for (AnswerSource source : {AnswerSource::reviewed, AnswerSource::edited}) {
        if (storedName(source) == name)
            return source;
    }
    return std::nullopt;
}

namespace {
bool before(const AnswerSourceEntry& a, const AnswerSourceEntry& b)
{
    return std::pair(a.surveyNumber, a.questionNumber) <
           std::pair(b.surveyNumber, b.questionNumber);
}
} // namespace

std::optional<AnswerSource> sourceOf(const AnswerSources& sources, qint64 surveyNumber,
                                     qint64 questionNumber)
{
    const AnswerSourceEntry cell{surveyNumber, questionNumber};
    const auto at = std::lower_bound(sources.begin(), sources.end(), cell, before);
    if (at == sources.end() || before(cell, *at))
        return std::nullopt;
    return at->source;
}

AnswerSources withSource(AnswerSources sources, const AnswerSourceEntry& entry)
{
    const auto at = std::lower_bound(sources.begin(), sources.end(), entry, before);
    if (at != sources.end() && !before(entry, *at))
        *at = entry;
    else
        sources.insert(at, entry);
    return sources;
}

AnswerSources withoutSurvey(AnswerSources sources, qint64 surveyNumber)
{
    sources.removeIf(
        [&](const AnswerSourceEntry& entry) { return entry.surveyNumber == surveyNumber; });
    return sources;
}
