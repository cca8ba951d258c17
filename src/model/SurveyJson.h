#pragma once

#include "AnswerSource.h"
#include "QuestionReviewItem.h"
#include "SurveyConfiguration.h"
#include "SurveyEnums.h"
#include "SurveyQuestion.h"
#include "SurveyResponse.h"
#include "SurveyTemplateField.h"

#include <QDateTime>
#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <stdexcept>

// A stored record that could not be read. The key path names where the
// problem sits ("configuration.templateFields[2].detectionMode"), so an
// operator can find it in the file.
class SurveyJsonError : public std::runtime_error
{
public:
    SurveyJsonError(QString keyPath, QString problem);

    const QString& keyPath() const { return m_keyPath; }
    const QString& problem() const { return m_problem; }
    // One sentence naming the key and what was wrong with it.
    QString description() const;

private:
    QString m_keyPath;
    QString m_problem;
};

// JSON form of the stored survey records. Dates are seconds since
// 2001-01-01 00:00:00 UTC as JSON numbers. Readers throw SurveyJsonError;
// `path` is the key path of the value being read, used in error texts.
namespace surveyjson {

double secondsSinceReferenceDate(const QDateTime& date);
QDateTime dateFromReferenceSeconds(double seconds);

nlohmann::json toJson(const SurveyConfiguration& configuration);
nlohmann::json toJson(const SurveyTemplateField& field);
nlohmann::json toJson(const SurveyQuestion& question);
nlohmann::json toJson(const SurveyResponse& response);
// A pending review item of the project file's "reviewItems": the crop as
// "imageFile", "reviewNote" only when present.
nlohmann::json toJson(const QuestionReviewItem& item);
// One cell of the project file's "answerSources": survey, question, and
// "reviewed" or "edited".
nlohmann::json toJson(const AnswerSourceEntry& entry);

// Every key optional; JSON null counts as absent.
SurveyConfiguration readConfiguration(const nlohmann::json& value, const QString& path = {});
// Every key required.
SurveyTemplateField readTemplateField(const nlohmann::json& value, const QString& path = {});
SurveyQuestion readQuestion(const nlohmann::json& value, const QString& path = {});
SurveyResponse readResponse(const nlohmann::json& value, const QString& path = {});
// Survey and question numbers required, the rest optional; the id is new.
QuestionReviewItem readReviewItem(const nlohmann::json& value, const QString& path = {});
// Every key required.
AnswerSourceEntry readAnswerSource(const nlohmann::json& value, const QString& path = {});

// Building blocks shared with the project file reader.
QString childPath(const QString& parent, const char* key);
QString indexPath(const QString& parent, std::size_t index);
void requireObject(const nlohmann::json& value, const QString& path);
void requireArray(const nlohmann::json& value, const QString& path);
// The member's value, or nullptr when the key is absent or null.
const nlohmann::json* optionalMember(const nlohmann::json& object, const char* key);
// The member's value; a missing or null key throws.
const nlohmann::json& requiredMember(const nlohmann::json& object, const char* key,
                                     const QString& objectPath);

qint64 readInteger(const nlohmann::json& value, const QString& path);
double readDouble(const nlohmann::json& value, const QString& path);
bool readBool(const nlohmann::json& value, const QString& path);
QString readString(const nlohmann::json& value, const QString& path);
QDateTime readDate(const nlohmann::json& value, const QString& path);
SurveyDetectionMode readDetectionMode(const nlohmann::json& value, const QString& path);
SurveyTemplate readTemplate(const nlohmann::json& value, const QString& path);
DuplexMode readDuplexMode(const nlohmann::json& value, const QString& path);
SurveySide readSide(const nlohmann::json& value, const QString& path);

} // namespace surveyjson
