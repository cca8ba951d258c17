#include "AITypes.h"

#include "AIAnswerAnalysisService.h"

QString rawValue(AIDetectionMode mode)
{
    switch (mode) {
    case AIDetectionMode::hybrid:
        return QStringLiteral("Hybrid");
    case AIDetectionMode::aiFirst:
        return QStringLiteral("AI First");
    case AIDetectionMode::localOnly:
        return QStringLiteral("Local Only");
    case AIDetectionMode::aiReview:
        return QStringLiteral("AI Review");
    }
    return {};
}

QString modeDescription(AIDetectionMode mode)
{
    switch (mode) {
    case AIDetectionMode::hybrid:
        return QStringLiteral("Run local detection first, then use AI for uncertain answers.");
    case AIDetectionMode::aiFirst:
        return QStringLiteral("Use AI on every template question. Local detection only prepares "
                              "crops and hints.");
    case AIDetectionMode::localOnly:
        return QStringLiteral("Keep scans private and avoid API costs.");
    case AIDetectionMode::aiReview:
        return QStringLiteral("Use AI to suggest answers, but keep review visible.");
    }
    return {};
}

std::optional<AIDetectionMode> aiDetectionModeFromRawValue(const QString& raw)
{
    for (AIDetectionMode mode : allAIDetectionModes()) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

const QList<AIDetectionMode>& allAIDetectionModes()
{
    static const QList<AIDetectionMode> modes{AIDetectionMode::hybrid, AIDetectionMode::aiFirst,
                                              AIDetectionMode::localOnly,
                                              AIDetectionMode::aiReview};
    return modes;
}

OpenAIAnswerAnalysisError::OpenAIAnswerAnalysisError(Kind kind, QString message) : m_kind(kind)
{
    switch (kind) {
    case Kind::requestFailed:
        m_description = std::move(message);
        break;
    case Kind::invalidImage:
        m_description = QStringLiteral("Could not prepare the review image for AI analysis.");
        break;
    case Kind::invalidResponse:
        m_description = QStringLiteral("The AI response could not be read.");
        break;
    case Kind::insecureEndpoint:
        m_description = QStringLiteral("The AI service address must start with https://. Plain "
                                       "http is accepted only for this computer.");
        break;
    }
    m_utf8 = m_description.toUtf8();
}
