#pragma once

#include <QList>
#include <QString>
#include <optional>

// Every enumeration's raw value is both its label on screen and its stored form.

enum class ScanStage { idle, scanning, extracting, reviewing, waitingForBacks, finished };
enum class SurveyDetectionMode { singleChoice, multipleChoice, written, ignore };
enum class SurveyTemplate { krda2026, custom };
enum class DuplexMode { automatic, manual, simplex };
enum class SurveySide { front, back };

QString rawValue(ScanStage stage);
QString rawValue(SurveyDetectionMode mode);
QString rawValue(SurveyTemplate preset);
QString rawValue(DuplexMode mode);
QString rawValue(SurveySide side);

// A string that is no raw value converts to no case.
template <typename Enum> std::optional<Enum> enumFromRawValue(const QString& raw);
template <> std::optional<ScanStage> enumFromRawValue<ScanStage>(const QString& raw);
template <> std::optional<SurveyDetectionMode> enumFromRawValue<SurveyDetectionMode>(const QString& raw);
template <> std::optional<SurveyTemplate> enumFromRawValue<SurveyTemplate>(const QString& raw);
template <> std::optional<DuplexMode> enumFromRawValue<DuplexMode>(const QString& raw);
template <> std::optional<SurveySide> enumFromRawValue<SurveySide>(const QString& raw);

// All cases in declaration order (ScanStage is not listed).
const QList<SurveyDetectionMode>& allDetectionModes();
const QList<SurveyTemplate>& allTemplates();
const QList<DuplexMode>& allDuplexModes();
const QList<SurveySide>& allSides();
