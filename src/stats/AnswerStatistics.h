#pragma once

#include "model/SurveyConfiguration.h"
#include "model/SurveyEnums.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"

#include <QList>
#include <QString>
#include <optional>

// The fixed text of a missing or unanswered cell.
inline QString notAnsweredText()
{
    return QStringLiteral("N/A");
}

// One distinct answer of a question and how many surveys gave exactly it.
struct AnswerCount
{
    QString answer;
    qint64 count = 0;

    bool operator==(const AnswerCount&) const = default;
};

// The answers of one question across every survey.
struct QuestionStatistic
{
    qint64 number = 0;
    QString prompt;
    std::optional<SurveyDetectionMode> mode;
    qint64 totalResponses = 0;
    QList<AnswerCount> counts;

    // Surveys whose cell holds a real answer ("N/A" excluded).
    qint64 answeredCount() const;
    // The pie's sectors: every entry that occurs at least once, "N/A" included.
    QList<AnswerCount> chartEntries() const;
    // The legend beside the pie: at most the first eight entries.
    QList<AnswerCount> legendEntries() const;

    bool operator==(const QuestionStatistic&) const = default;
};

// The legend never lists more answers than this.
constexpr qsizetype maximumLegendEntries = 8;

// A cell trimmed of white space and line breaks; blank becomes "N/A".
QString normalizedCell(const QString& cell);

// The first detected question's text for this number (even when empty),
// else "Question <n>".
QString questionText(const QList<SurveyQuestion>& detectedQuestions, qint64 number);

// How many questions the statistics cover: the highest template number or the
// longest answer list, whichever is larger.
qint64 statisticsQuestionCount(const QList<SurveyTemplateField>& fields,
                               const QList<SurveyResponse>& responses);

// The order of a question's answers: "N/A" last, then higher counts first,
// then the file-browser order of the answers (Grade 9 before Grade 10).
bool answerCountBefore(const AnswerCount& a, const AnswerCount& b);

// Per-question counts for questions 1...statisticsQuestionCount, ascending.
QList<QuestionStatistic> answerStatistics(const SurveyConfiguration& configuration,
                                          const QList<SurveyResponse>& responses,
                                          const QList<SurveyQuestion>& detectedQuestions);

// Existing cells only: a response with fewer answers adds nothing for the rest.
qint64 answeredCellCount(const QList<SurveyResponse>& responses);
qint64 naCellCount(const QList<SurveyResponse>& responses);
