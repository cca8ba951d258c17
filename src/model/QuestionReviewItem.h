#pragma once

#include <QString>
#include <QUrl>
#include <QUuid>
#include <optional>

// One uncertain answer waiting for a person. Never stored.
struct QuestionReviewItem
{
    QUuid id = QUuid::createUuid();
    qint64 surveyNumber = 0;
    qint64 questionNumber = 0;
    qint64 pageNumber = 0;
    QString prompt;
    QString suggestedText;
    double confidence = 0;
    QUrl imageURL;
    QString enteredText;
    std::optional<QString> reviewNote;

    // "Survey 3, Q7"
    QString displayTitle() const;

    bool operator==(const QuestionReviewItem&) const = default;
};
