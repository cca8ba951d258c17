#pragma once

#include <QList>
#include <QString>
#include <optional>

// How a scan batch uses the hosted model; the raw value is also the label.
enum class AIDetectionMode
{
    hybrid,
    aiFirst,
    localOnly,
    aiReview
};

QString rawValue(AIDetectionMode mode);
QString modeDescription(AIDetectionMode mode);
std::optional<AIDetectionMode> aiDetectionModeFromRawValue(const QString& raw);
const QList<AIDetectionMode>& allAIDetectionModes();

// The model's answer for one cropped answer image.
struct AIAnswerSuggestion
{
    QString answer;
    double confidence = 0;
    bool needsReview = true;
    QString rationale;

    bool operator==(const AIAnswerSuggestion&) const = default;
};

// The model's answer for one question of a whole page.
struct AIPageAnswer
{
    qint64 questionNumber = 0;
    QString answer;
    double confidence = 0;
    bool needsReview = true;
    bool visible = false;
    QString rationale;

    bool operator==(const AIPageAnswer&) const = default;
};
