#pragma once

#include <QList>
#include <QString>
#include <optional>

// Who set an answer when a person did: applied from the review queue, or
// edited on the Answers screen. A cell with no entry was read by the machine.
enum class AnswerSource
{
    reviewed,
    edited
};

// "reviewed", "edited": the stored form.
QString storedName(AnswerSource source);
std::optional<AnswerSource> answerSourceNamed(const QString& name);

// One cell a person set.
struct AnswerSourceEntry
{
    qint64 surveyNumber = 0;
    qint64 questionNumber = 0;
    AnswerSource source = AnswerSource::reviewed;

    bool operator==(const AnswerSourceEntry&) const = default;
};

// Sorted by survey, then question; one entry per cell.
using AnswerSources = QList<AnswerSourceEntry>;

std::optional<AnswerSource> sourceOf(const AnswerSources& sources, qint64 surveyNumber,
                                     qint64 questionNumber);
// The list with this cell's entry set, replacing an earlier one.
AnswerSources withSource(AnswerSources sources, const AnswerSourceEntry& entry);
// The list without the cells of this survey.
AnswerSources withoutSurvey(AnswerSources sources, qint64 surveyNumber);
