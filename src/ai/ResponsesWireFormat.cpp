#include "ResponsesWireFormat.h"

#include "AIAnswerAnalysisService.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

[[noreturn]] void throwInvalidResponse()
{
    throw OpenAIAnswerAnalysisError(OpenAIAnswerAnalysisError::Kind::invalidResponse);
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

json parsedObject(const QByteArray& bytes)
{
    json value = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (value.is_discarded() || !value.is_object())
        throwInvalidResponse();
    return value;
}

// Required members must be there with the right type; optional ones may be
// missing or null but, when present, must have the right type too.
const json& member(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end())
        throwInvalidResponse();
    return *it;
}

QString requiredString(const json& object, const char* key)
{
    const json& value = member(object, key);
    if (!value.is_string())
        throwInvalidResponse();
    return fromUtf8(value.get<std::string>());
}

std::optional<QString> optionalString(const json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return std::nullopt;
    if (!it->is_string())
        throwInvalidResponse();
    return fromUtf8(it->get<std::string>());
}

double requiredNumber(const json& object, const char* key)
{
    const json& value = member(object, key);
    if (!value.is_number())
        throwInvalidResponse();
    return value.get<double>();
}

bool requiredBool(const json& object, const char* key)
{
    const json& value = member(object, key);
    if (!value.is_boolean())
        throwInvalidResponse();
    return value.get<bool>();
}

// Whole numbers only; 3.0 is taken as 3, 3.5 is no question number.
qint64 requiredInteger(const json& object, const char* key)
{
    const json& value = member(object, key);
    if (value.is_number_integer())
        return value.get<qint64>();
    if (value.is_number_float()) {
        const double real = value.get<double>();
        if (std::isfinite(real) && std::trunc(real) == real && std::abs(real) < 9.0e15)
            return static_cast<qint64>(real);
    }
    throwInvalidResponse();
}

double clampedConfidence(double value)
{
    if (value <= 0)
        return 0;
    return value > 1 ? 1 : value;
}

json parsedPayload(const QString& modelText)
{
    return parsedObject(extractedJSONText(modelText).toUtf8());
}

} // namespace

QString cropPrompt(const QuestionReviewItem& item, const std::optional<SurveyTemplateField>& field)
{
    const QStringList options = field ? field->options() : QStringList();
    QStringList lines;
    lines << QStringLiteral("You are reading a cropped paper survey answer. Return only compact "
                            "JSON with keys answer, confidence, needsReview, rationale.");
    lines << QStringLiteral("Question %1: %2").arg(item.questionNumber).arg(item.prompt);
    lines << QStringLiteral("Detection type: ") +
                 (field ? rawValue(field->detectionMode) : QStringLiteral("Unknown"));
    if (!options.isEmpty())
        lines << QStringLiteral("Allowed answers: ") + options.join(QStringLiteral(" | ")) +
                     QStringLiteral(". Choose only from this list unless the image clearly shows "
                                    "a written Other answer.");
    else
        lines << QStringLiteral(
            "No fixed answer choices are available. Read the visible written answer if possible.");
    lines << QStringLiteral("Existing local suggestion: ") +
                 (item.suggestedText.isEmpty() ? QStringLiteral("none") : item.suggestedText);
    lines << QStringLiteral("Rules:");
    lines << QStringLiteral("- If the selected answer is clear, set confidence from 0.90 to 1.0.");
    lines << QStringLiteral(
        "- If two answers appear selected or the crop is unclear, set needsReview true.");
    lines << QStringLiteral("- If no answer is visible or the crop is not readable, answer \"N/A\" "
                            "and set needsReview true.");
    lines << QStringLiteral(
        "- For checkbox questions, separate multiple selected answers with semicolons.");
    lines << QStringLiteral(
        "- Do not include markdown, comments, or any text outside the JSON object.");
    return lines.join(QLatin1Char('\n'));
}

QString pagePrompt(const QList<SurveyTemplateField>& fields)
{
    QList<SurveyTemplateField> sorted = fields;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.number < b.number; });
    QStringList templateLines;
    for (const SurveyTemplateField& field : sorted) {
        const QStringList options = field.options();
        templateLines << QStringLiteral("Q%1: %2 [%3] Choices: %4")
                             .arg(field.number)
                             .arg(field.prompt, rawValue(field.detectionMode),
                                  options.isEmpty() ? QStringLiteral("free response")
                                                    : options.join(QStringLiteral(" | ")));
    }
    const QString head = QStringLiteral(
        "You are reading one scanned page of a paper survey. The page may be rotated. Read only "
        "answers visible on this page.\n"
        "Return only JSON with this shape:\n"
        "{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\",\"confidence\":0.98,"
        "\"needsReview\":false,\"visible\":true,\"rationale\":\"circled\"}]}\n"
        "\n"
        "Survey template:\n");
    const QString tail = QStringLiteral(
        "\n\nRules:\n"
        "- Use the provided question numbers exactly.\n"
        "- If a question is not visible on this page, include it with visible false, answer "
        "\"N/A\", confidence 0, needsReview false.\n"
        "- If visible but unreadable or ambiguous, set visible true, answer \"N/A\", low "
        "confidence, needsReview true.\n"
        "- For fixed choices, choose only from the listed choices unless a written Other answer "
        "is clearly visible.\n"
        "- For checkbox questions, separate multiple selected answers with semicolons.\n"
        "- Be conservative. Do not guess from nearby questions.\n"
        "- Do not include markdown or text outside the JSON object.");
    return head + templateLines.join(QLatin1Char('\n')) + tail;
}

QByteArray responsesRequestBody(const QString& model, const QString& text,
                                const std::optional<QString>& imageDataURL)
{
    json content = json::array();
    content.push_back({{"type", "input_text"}, {"text", utf8(text)}});
    if (imageDataURL)
        content.push_back({{"type", "input_image"}, {"image_url", utf8(*imageDataURL)}});
    json input = json::array();
    input.push_back({{"role", "user"}, {"content", content}});
    const json body = {{"model", utf8(model)}, {"input", input}};
    return QByteArray::fromStdString(body.dump());
}

QString responsesOutputText(const QByteArray& body)
{
    const json reply = parsedObject(body);
    const json& output = member(reply, "output");
    if (!output.is_array())
        throwInvalidResponse();
    // Only messages carry the answer: reasoning summaries and other items a
    // model adds before its message are skipped, with or without content.
    // Every message must decode before a text is taken.
    std::optional<QString> first;
    for (const json& item : output) {
        if (!item.is_object())
            throwInvalidResponse();
        if (optionalString(item, "type") != QStringLiteral("message"))
            continue;
        const json& content = member(item, "content");
        if (!content.is_array())
            throwInvalidResponse();
        for (const json& part : content) {
            if (!part.is_object())
                throwInvalidResponse();
            const bool isText = optionalString(part, "type") == QStringLiteral("output_text");
            const std::optional<QString> text = optionalString(part, "text");
            if (isText && text && !first)
                first = text;
        }
    }
    if (!first)
        throwInvalidResponse();
    return *first;
}

QString failureMessageForStatus(int statusCode, const QByteArray& body)
{
    json reply = json::parse(body.begin(), body.end(), nullptr, false);
    if (!reply.is_discarded() && reply.is_object()) {
        const auto error = reply.find("error");
        if (error != reply.end() && error->is_object()) {
            const auto message = error->find("message");
            if (message != error->end() && message->is_string())
                return fromUtf8(message->get<std::string>());
        }
    }
    return QStringLiteral("OpenAI request failed with status %1.").arg(statusCode);
}

QString extractedJSONText(const QString& text)
{
    QString kept = text;
    const qsizetype open = text.indexOf(QLatin1Char('{'));
    const qsizetype close = text.lastIndexOf(QLatin1Char('}'));
    if (open >= 0 && close >= 0 && close >= open)
        kept = text.mid(open, close - open + 1);
    kept = kept.trimmed();
    kept.remove(QStringLiteral("```json"));
    kept.remove(QStringLiteral("```"));
    return kept.trimmed();
}

AIAnswerSuggestion parseSuggestion(const QString& modelText)
{
    const json payload = parsedPayload(modelText);
    AIAnswerSuggestion suggestion;
    suggestion.answer = requiredString(payload, "answer").trimmed();
    suggestion.confidence = clampedConfidence(requiredNumber(payload, "confidence"));
    suggestion.needsReview = requiredBool(payload, "needsReview");
    suggestion.rationale = optionalString(payload, "rationale").value_or(QString());
    return suggestion;
}

QList<AIPageAnswer> parsePageAnswers(const QString& modelText)
{
    const json payload = parsedPayload(modelText);
    const json& answers = member(payload, "answers");
    if (!answers.is_array())
        throwInvalidResponse();
    QList<AIPageAnswer> result;
    for (const json& entry : answers) {
        if (!entry.is_object())
            throwInvalidResponse();
        AIPageAnswer answer;
        answer.questionNumber = requiredInteger(entry, "questionNumber");
        answer.answer = requiredString(entry, "answer").trimmed();
        answer.confidence = clampedConfidence(requiredNumber(entry, "confidence"));
        answer.needsReview = requiredBool(entry, "needsReview");
        answer.visible = requiredBool(entry, "visible");
        answer.rationale = optionalString(entry, "rationale").value_or(QString());
        result << answer;
    }
    return result;
}
