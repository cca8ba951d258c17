#include "SurveyEnums.h"

QString rawValue(ScanStage stage)
{
    switch (stage) {
    case ScanStage::idle:
        return QStringLiteral("Ready");
    case ScanStage::scanning:
        return QStringLiteral("Scanning");
    case ScanStage::extracting:
        return QStringLiteral("Reading answers");
    case ScanStage::reviewing:
        return QStringLiteral("Review needed");
    case ScanStage::waitingForBacks:
        return QStringLiteral("Waiting for backs");
    case ScanStage::finished:
        return QStringLiteral("Finished");
    }
    return {};
}

QString rawValue(SurveyDetectionMode mode)
{
    switch (mode) {
    case SurveyDetectionMode::singleChoice:
        return QStringLiteral("Single choice");
    case SurveyDetectionMode::multipleChoice:
        return QStringLiteral("Checkboxes");
    case SurveyDetectionMode::written:
        return QStringLiteral("Written");
    case SurveyDetectionMode::ignore:
        return QStringLiteral("Ignore");
    }
    return {};
}

QString rawValue(SurveyTemplate preset)
{
    switch (preset) {
    case SurveyTemplate::krda2026:
        return QStringLiteral("KRDA 2026");
    case SurveyTemplate::custom:
        return QStringLiteral("Custom");
    }
    return {};
}

QString rawValue(DuplexMode mode)
{
    switch (mode) {
    case DuplexMode::automatic:
        return QStringLiteral("Automatic duplex");
    case DuplexMode::manual:
        return QStringLiteral("Manual two-sided");
    case DuplexMode::simplex:
        return QStringLiteral("Single-sided");
    }
    return {};
}

QString rawValue(SurveySide side)
{
    return side == SurveySide::front ? QStringLiteral("Front") : QStringLiteral("Back");
}

namespace {
template <typename Enum>
std::optional<Enum> findRaw(const QList<Enum>& cases, const QString& raw)
{
    for (Enum value : cases) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}
} // namespace

template <> std::optional<ScanStage> enumFromRawValue<ScanStage>(const QString& raw)
{
    static const QList<ScanStage> stages{ScanStage::idle,      ScanStage::scanning,
                                         ScanStage::extracting, ScanStage::reviewing,
                                         ScanStage::waitingForBacks, ScanStage::finished};
    return findRaw(stages, raw);
}

template <>
std::optional<SurveyDetectionMode> enumFromRawValue<SurveyDetectionMode>(const QString& raw)
{
    return findRaw(allDetectionModes(), raw);
}

template <> std::optional<SurveyTemplate> enumFromRawValue<SurveyTemplate>(const QString& raw)
{
    return findRaw(allTemplates(), raw);
}

template <> std::optional<DuplexMode> enumFromRawValue<DuplexMode>(const QString& raw)
{
    return findRaw(allDuplexModes(), raw);
}

template <> std::optional<SurveySide> enumFromRawValue<SurveySide>(const QString& raw)
{
    return findRaw(allSides(), raw);
}

const QList<SurveyDetectionMode>& allDetectionModes()
{
    static const QList<SurveyDetectionMode> modes{
        SurveyDetectionMode::singleChoice, SurveyDetectionMode::multipleChoice,
        SurveyDetectionMode::written, SurveyDetectionMode::ignore};
    return modes;
}

const QList<SurveyTemplate>& allTemplates()
{
    static const QList<SurveyTemplate> presets{SurveyTemplate::krda2026, SurveyTemplate::custom};
    return presets;
}

const QList<DuplexMode>& allDuplexModes()
{
    static const QList<DuplexMode> modes{DuplexMode::automatic, DuplexMode::manual,
                                         DuplexMode::simplex};
    return modes;
}

const QList<SurveySide>& allSides()
{
    static const QList<SurveySide> sides{SurveySide::front, SurveySide::back};
    return sides;
}
