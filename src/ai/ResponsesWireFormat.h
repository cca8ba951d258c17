#pragma once

#include "AITypes.h"
#include "model/QuestionReviewItem.h"
#include "model/SurveyTemplateField.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The responses endpoint's wire format: prompts, request bodies and reply
// parsing. Pure functions; parsing failures throw OpenAIAnswerAnalysisError.

inline constexpr const char* kConnectionTestPrompt = "Reply with exactly: OK";

QString cropPrompt(const QuestionReviewItem& item, const std::optional<SurveyTemplateField>& field);
QString pagePrompt(const QList<SurveyTemplateField>& fields);

// One user input with the text and, when given, the image data URL after it.
QByteArray responsesRequestBody(const QString& model, const QString& text,
                                const std::optional<QString>& imageDataURL = std::nullopt);

// The first text of the reply's output items; throws invalidResponse when the
// body is no responses reply or carries no text.
QString responsesOutputText(const QByteArray& body);

// The text shown for a reply whose status is outside 200 to 299.
QString failureMessageForStatus(int statusCode, const QByteArray& body);

// The JSON object inside a model's text: from the first "{" to the last "}",
// with Markdown fences removed.
QString extractedJSONText(const QString& text);

AIAnswerSuggestion parseSuggestion(const QString& modelText);
QList<AIPageAnswer> parsePageAnswers(const QString& modelText);
