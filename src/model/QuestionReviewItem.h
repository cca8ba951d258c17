#pragma once

#include <QRectF>
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
    // The page as the reader saw it, for the page view: the file it read, the
    // quarter turns (counter-clockwise) and then the tilt in degrees it
    // levelled away (straightened by -skewDegrees), and the crop's rectangle
    // in pixels of the page so turned and levelled; empty when the reading
    // gave no place (a question not found, an answer from the AI).
    QUrl pageURL = {};
    int quarterTurns = 0;
    double skewDegrees = 0;
    QRectF cropRect = {};

    // "Survey 3, Q7"
    QString displayTitle() const;

    bool operator==(const QuestionReviewItem&) const = default;
};
