#include "SurveyJson.h"

#include <QStringList>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceDateMSecs = 978307200000LL;
// Dates further than this from the reference date are not plausible scans
// and would overflow the millisecond arithmetic.
constexpr double largestDateSeconds = 1.0e13;

QString describe(const json& value)
{
    switch (value.type()) {
    case json::value_t::null:
        return QStringLiteral("null");
    case json::value_t::object:
        return QStringLiteral("an object");
    case json::value_t::array:
        return QStringLiteral("an array");
    case json::value_t::string: {
        // Long texts are cut so that the message stays one readable line.
        QString text = QString::fromStdString(value.get_ref<const std::string&>());
        if (text.size() > 60)
            text = text.left(57) + QStringLiteral("...");
        return QStringLiteral("the text \"%1\"").arg(text);
    }
    case json::value_t::boolean:
        return value.get<bool>() ? QStringLiteral("true") : QStringLiteral("false");
    case json::value_t::number_integer:
    case json::value_t::number_unsigned:
    case json::value_t::number_float:
        return QStringLiteral("the number %1").arg(QString::fromStdString(value.dump()));
    default:
        return QStringLiteral("a value of an unusable type");
    }
}

[[noreturn]] void wrongType(const json& value, const QString& path, const char* wanted)
{
    throw SurveyJsonError(
        path,
        QStringLiteral("should hold %1 but holds %2").arg(QLatin1String(wanted), describe(value)));
}

template <typename Enum>
Enum readEnum(const json& value, const QString& path, const QList<Enum>& cases)
{
    const QString raw = surveyjson::readString(value, path);
    if (const auto found = enumFromRawValue<Enum>(raw))
        return *found;
    QStringList names;
    for (Enum option : cases)
        names.append(QLatin1Char('"') + rawValue(option) + QLatin1Char('"'));
    throw SurveyJsonError(path, QStringLiteral("holds %1, which is none of %2")
                                    .arg(describe(value), names.join(QStringLiteral(", "))));
}

json stringJson(const QString& text)
{
    return json(text.toStdString());
}

} // namespace

SurveyJsonError::SurveyJsonError(QString keyPath, QString problem)
    : std::runtime_error(QStringLiteral("The key \"%1\" %2.").arg(keyPath, problem).toStdString()),
      m_keyPath(std::move(keyPath)), m_problem(std::move(problem))
{
}

QString SurveyJsonError::description() const
{
    return QString::fromStdString(what());
}

namespace surveyjson {

double secondsSinceReferenceDate(const QDateTime& date)
{
    if (!date.isValid())
        return 0;
    return double(date.toMSecsSinceEpoch() - referenceDateMSecs) / 1000.0;
}

QDateTime dateFromReferenceSeconds(double seconds)
{
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(msecs + referenceDateMSecs, Qt::UTC);
}

json toJson(const SurveyTemplateField& field)
{
    return json{{"number", field.number},
                {"prompt", field.prompt.toStdString()},
                {"detectionMode", rawValue(field.detectionMode).toStdString()},
                {"optionsText", field.optionsText.toStdString()}};
}

json toJson(const SurveyConfiguration& configuration)
{
    json fields = json::array();
    for (const auto& field : configuration.templateFields)
        fields.push_back(toJson(field));
    return json{{"title", stringJson(configuration.title)},
                {"questionCount", configuration.questionCount},
                {"scanBothSides", configuration.scanBothSides},
                {"duplexMode", stringJson(rawValue(configuration.duplexMode))},
                {"template", stringJson(rawValue(configuration.templatePreset))},
                {"templateFields", std::move(fields)},
                {"reviewThreshold", configuration.reviewThreshold}};
}

json toJson(const SurveyQuestion& question)
{
    return json{{"number", question.number}, {"text", stringJson(question.text)}};
}

json toJson(const SurveyResponse& response)
{
    json answers = json::array();
    for (const auto& answer : response.answers)
        answers.push_back(stringJson(answer));
    return json{{"surveyNumber", response.surveyNumber},
                {"capturedAt", secondsSinceReferenceDate(response.capturedAt)},
                {"answers", std::move(answers)}};
}

QString childPath(const QString& parent, const char* key)
{
    const QString name = QString::fromUtf8(key);
    return parent.isEmpty() ? name : parent + QLatin1Char('.') + name;
}

QString indexPath(const QString& parent, std::size_t index)
{
    return parent + QStringLiteral("[%1]").arg(index);
}

void requireObject(const json& value, const QString& path)
{
    if (!value.is_object()) {
        if (path.isEmpty())
            throw SurveyJsonError(
                QStringLiteral("(top level)"),
                QStringLiteral("should hold an object but holds %1").arg(describe(value)));
        wrongType(value, path, "an object");
    }
}

void requireArray(const json& value, const QString& path)
{
    if (!value.is_array())
        wrongType(value, path, "a list");
}

const json* optionalMember(const json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return nullptr;
    return &*found;
}

const json& requiredMember(const json& object, const char* key, const QString& objectPath)
{
    const auto found = object.find(key);
    if (found == object.end())
        throw SurveyJsonError(childPath(objectPath, key), QStringLiteral("is missing"));
    if (found->is_null())
        throw SurveyJsonError(childPath(objectPath, key),
                              QStringLiteral("is null but needs a value"));
    return *found;
}

qint64 readInteger(const json& value, const QString& path)
{
    if (value.is_number_integer() && !value.is_number_unsigned())
        return value.get<qint64>();
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue <= std::uint64_t(std::numeric_limits<qint64>::max()))
            return qint64(unsignedValue);
    } else if (value.is_number_float()) {
        // A whole number written with a fraction part ("14.0") is still whole.
        const double number = value.get<double>();
        if (std::trunc(number) == number && std::fabs(number) < 9.0e18)
            return qint64(number);
    }
    wrongType(value, path, "a whole number");
}

double readDouble(const json& value, const QString& path)
{
    if (!value.is_number())
        wrongType(value, path, "a number");
    return value.get<double>();
}

bool readBool(const json& value, const QString& path)
{
    if (!value.is_boolean())
        wrongType(value, path, "true or false");
    return value.get<bool>();
}

QString readString(const json& value, const QString& path)
{
    if (!value.is_string())
        wrongType(value, path, "a text");
    return QString::fromStdString(value.get_ref<const std::string&>());
}

QDateTime readDate(const json& value, const QString& path)
{
    if (!value.is_number())
        wrongType(value, path, "a date (seconds since 2001-01-01)");
    const double seconds = value.get<double>();
    if (!(std::fabs(seconds) <= largestDateSeconds))
        throw SurveyJsonError(
            path, QStringLiteral("holds %1, which is no plausible date").arg(describe(value)));
    return dateFromReferenceSeconds(seconds);
}

SurveyDetectionMode readDetectionMode(const json& value, const QString& path)
{
    return readEnum(value, path, allDetectionModes());
}

SurveyTemplate readTemplate(const json& value, const QString& path)
{
    return readEnum(value, path, allTemplates());
}

DuplexMode readDuplexMode(const json& value, const QString& path)
{
    return readEnum(value, path, allDuplexModes());
}

SurveySide readSide(const json& value, const QString& path)
{
    return readEnum(value, path, allSides());
}

SurveyTemplateField readTemplateField(const json& value, const QString& path)
{
    requireObject(value, path);
    SurveyTemplateField field;
    field.number = readInteger(requiredMember(value, "number", path), childPath(path, "number"));
    field.prompt = readString(requiredMember(value, "prompt", path), childPath(path, "prompt"));
    field.detectionMode = readDetectionMode(requiredMember(value, "detectionMode", path),
                                            childPath(path, "detectionMode"));
    field.optionsText =
        readString(requiredMember(value, "optionsText", path), childPath(path, "optionsText"));
    return field;
}

SurveyConfiguration readConfiguration(const json& value, const QString& path)
{
    requireObject(value, path);
    SurveyConfiguration configuration;
    if (const json* title = optionalMember(value, "title"))
        configuration.title = readString(*title, childPath(path, "title"));
    if (const json* preset = optionalMember(value, "template"))
        configuration.templatePreset = readTemplate(*preset, childPath(path, "template"));
    if (const json* count = optionalMember(value, "questionCount"))
        configuration.questionCount = readInteger(*count, childPath(path, "questionCount"));
    if (const json* fields = optionalMember(value, "templateFields")) {
        const QString fieldsPath = childPath(path, "templateFields");
        requireArray(*fields, fieldsPath);
        configuration.templateFields.clear();
        for (std::size_t i = 0; i < fields->size(); ++i)
            configuration.templateFields.append(
                readTemplateField((*fields)[i], indexPath(fieldsPath, i)));
    } else {
        // Missing fields follow the preset that was read, not the default one.
        configuration.templateFields = SurveyTemplateField::defaults(configuration.templatePreset);
    }
    if (const json* both = optionalMember(value, "scanBothSides"))
        configuration.scanBothSides = readBool(*both, childPath(path, "scanBothSides"));
    if (const json* duplex = optionalMember(value, "duplexMode"))
        configuration.duplexMode = readDuplexMode(*duplex, childPath(path, "duplexMode"));
    if (const json* threshold = optionalMember(value, "reviewThreshold"))
        configuration.reviewThreshold = readDouble(*threshold, childPath(path, "reviewThreshold"));
    return configuration;
}

SurveyQuestion readQuestion(const json& value, const QString& path)
{
    requireObject(value, path);
    return SurveyQuestion{
        readInteger(requiredMember(value, "number", path), childPath(path, "number")),
        readString(requiredMember(value, "text", path), childPath(path, "text"))};
}

SurveyResponse readResponse(const json& value, const QString& path)
{
    requireObject(value, path);
    SurveyResponse response;
    response.surveyNumber =
        readInteger(requiredMember(value, "surveyNumber", path), childPath(path, "surveyNumber"));
    response.capturedAt =
        readDate(requiredMember(value, "capturedAt", path), childPath(path, "capturedAt"));
    const QString answersPath = childPath(path, "answers");
    const json& answers = requiredMember(value, "answers", path);
    requireArray(answers, answersPath);
    for (std::size_t i = 0; i < answers.size(); ++i)
        response.answers.append(readString(answers[i], indexPath(answersPath, i)));
    return response;
}

json toJson(const QuestionReviewItem& item)
{
    json value{{"surveyNumber", item.surveyNumber},
               {"questionNumber", item.questionNumber},
               {"pageNumber", item.pageNumber},
               {"prompt", stringJson(item.prompt)},
               {"suggestedText", stringJson(item.suggestedText)},
               // A reader's odd score must not make the whole project unwritable.
               {"confidence", std::isfinite(item.confidence) ? item.confidence : 0.0},
               {"enteredText", stringJson(item.enteredText)},
               {"imageFile", stringJson(item.imageURL.toLocalFile())}};
    if (item.reviewNote)
        value["reviewNote"] = stringJson(*item.reviewNote);
    if (!item.pageURL.isEmpty()) {
        value["pageFile"] = stringJson(item.pageURL.toLocalFile());
        value["quarterTurns"] = item.quarterTurns;
        value["skewDegrees"] = std::isfinite(item.skewDegrees) ? item.skewDegrees : 0.0;
        const QRectF& r = item.cropRect;
        value["cropRect"] = json::array({r.x(), r.y(), r.width(), r.height()});
    }
    return value;
}

QuestionReviewItem readReviewItem(const json& value, const QString& path)
{
    requireObject(value, path);
    const auto text = [&](const char* key) {
        const json* member = optionalMember(value, key);
        return member ? readString(*member, childPath(path, key)) : QString();
    };
    QuestionReviewItem item; // a fresh id
    item.surveyNumber =
        readInteger(requiredMember(value, "surveyNumber", path), childPath(path, "surveyNumber"));
    item.questionNumber = readInteger(requiredMember(value, "questionNumber", path),
                                      childPath(path, "questionNumber"));
    if (const json* page = optionalMember(value, "pageNumber"))
        item.pageNumber = readInteger(*page, childPath(path, "pageNumber"));
    item.prompt = text("prompt");
    item.suggestedText = text("suggestedText");
    if (const json* confidence = optionalMember(value, "confidence"))
        item.confidence = readDouble(*confidence, childPath(path, "confidence"));
    item.enteredText = text("enteredText");
    if (const json* note = optionalMember(value, "reviewNote"))
        item.reviewNote = readString(*note, childPath(path, "reviewNote"));
    const QString imageFile = text("imageFile");
    if (!imageFile.isEmpty())
        item.imageURL = QUrl::fromLocalFile(imageFile);
    const QString pageFile = text("pageFile");
    if (!pageFile.isEmpty())
        item.pageURL = QUrl::fromLocalFile(pageFile);
    if (const json* turns = optionalMember(value, "quarterTurns"))
        item.quarterTurns = int((readInteger(*turns, childPath(path, "quarterTurns")) % 4 + 4) % 4);
    if (const json* skew = optionalMember(value, "skewDegrees"))
        item.skewDegrees = readDouble(*skew, childPath(path, "skewDegrees"));
    if (const json* rect = optionalMember(value, "cropRect")) {
        const QString rectPath = childPath(path, "cropRect");
        requireArray(*rect, rectPath);
        if (rect->size() != 4)
            throw SurveyJsonError(rectPath, QStringLiteral("must hold x, y, width and height"));
        double r[4];
        for (std::size_t i = 0; i < 4; ++i)
            r[i] = readDouble((*rect)[i], indexPath(rectPath, i));
        item.cropRect = QRectF(r[0], r[1], r[2], r[3]);
    }
    return item;
}

json toJson(const AnswerSourceEntry& entry)
{
    return json{{"surveyNumber", entry.surveyNumber},
                {"questionNumber", entry.questionNumber},
                {"source", stringJson(storedName(entry.source))}};
}

AnswerSourceEntry readAnswerSource(const json& value, const QString& path)
{
    requireObject(value, path);
    AnswerSourceEntry entry;
    entry.surveyNumber =
        readInteger(requiredMember(value, "surveyNumber", path), childPath(path, "surveyNumber"));
    entry.questionNumber = readInteger(requiredMember(value, "questionNumber", path),
                                       childPath(path, "questionNumber"));
    const QString sourcePath = childPath(path, "source");
    const QString name = readString(requiredMember(value, "source", path), sourcePath);
    const auto source = answerSourceNamed(name);
    if (!source)
        throw SurveyJsonError(sourcePath,
                              QStringLiteral("holds \"%1\", which is neither \"reviewed\" nor "
                                             "\"edited\"")
                                  .arg(name));
    entry.source = *source;
    return entry;
}

} // namespace surveyjson
