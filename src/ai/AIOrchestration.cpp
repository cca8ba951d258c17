#include "AIOrchestration.h"

#include "AIAnswerAnalysisService.h"
#include "AIReviewRules.h"
#include "AISettingsStore.h"
#include "ApproximateReviewCrop.h"
#include "model/ReviewCropFolder.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype kCropRequestsInFlight = 4;

// One crop request's outcome.
struct AIAnalysisBatchResult
{
    QuestionReviewItem item;
    std::optional<AIAnswerSuggestion> suggestion; // absent on failure
    QString failureMessage;
};

void publish(const AIStepContext& context, const AIStepStatus& status)
{
    if (context.publish)
        context.publish(status);
}

void noteFailure(AISettingsStore& settings, const QString& message)
{
    if (settings.lastErrorMessage() != message)
        settings.setLastErrorMessage(message);
}

QString describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const OpenAIAnswerAnalysisError& failure) {
        return failure.description();
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
    }
    return QStringLiteral("The AI request failed.");
}

QCoro::Task<> analyzeOne(AIAnswerAnalysisService* client, QuestionReviewItem item,
                         std::optional<SurveyTemplateField> field, QString apiKey, QString model,
                         std::shared_ptr<QList<AIAnalysisBatchResult>> results)
{
    AIAnalysisBatchResult result{item, std::nullopt, QString()};
    std::exception_ptr failure;
    try {
        result.suggestion = co_await client->analyze(item, field, apiKey, model);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure)
        result.failureMessage = describe(failure);
    results->append(result);
}

QCoro::Task<QList<AIAnalysisBatchResult>> runAIAnalysisBatch(const AIStepContext& context,
                                                             QList<QuestionReviewItem> items,
                                                             QString apiKey, AIStepStatus& status)
{
    auto results = std::make_shared<QList<AIAnalysisBatchResult>>();
    const qsizetype total = items.size();
    for (qsizetype first = 0; first < total; first += kCropRequestsInFlight) {
        const qsizetype last = std::min(first + kCropRequestsInFlight, total);
        status.message = QStringLiteral("AI is checking review images %1-%2 of %3...")
                             .arg(first + 1)
                             .arg(last)
                             .arg(total);
        publish(context, status);
        std::vector<QCoro::Task<>> group;
        for (qsizetype i = first; i < last; ++i) {
            const QuestionReviewItem& item = items[i];
            group.push_back(
                analyzeOne(context.client, item,
                           templateField(context.configuration.templateFields, item.questionNumber),
                           apiKey, context.settings->model(), results));
        }
        for (QCoro::Task<>& request : group)
            co_await request;
    }
    co_return *results;
}

// Why the AI cannot run for this batch, or nothing when it can.
std::optional<QString> hybridSkipMessage(const AISettingsStore& settings)
{
    if (settings.canUseAI() && settings.cachedAPIKey())
        return std::nullopt;
    if (settings.detectionMode() == AIDetectionMode::localOnly)
        return QStringLiteral("AI skipped. Local-only mode is selected.");
    if (!settings.hasAPIKey() || !settings.cachedAPIKey())
        return QStringLiteral("AI skipped. No OpenAI API key is saved.");
    if (!settings.sendsImagesToOpenAI())
        return QStringLiteral("AI skipped. Image sending is disabled.");
    return QStringLiteral("AI skipped.");
}

QuestionReviewItem aiFirstReviewItem(const AIStepContext& context, const AIPageAnswer& answer,
                                     const ScanPage& page, const std::optional<QUrl>& localCrop,
                                     const QList<qint64>& visible, const QString& folder)
{
    const QList<SurveyTemplateField>& fields = context.configuration.templateFields;
    QuestionReviewItem item;
    item.surveyNumber = page.surveyNumber;
    item.pageNumber = page.pageNumber;
    item.questionNumber = answer.questionNumber;
    // The model read the page file as it is: that is the page the view shows.
    item.pageURL = page.fileURL;

    if (localCrop && localCrop->isLocalFile() && QFileInfo::exists(localCrop->toLocalFile())) {
        item.imageURL = *localCrop;
    } else {
        const qint64 fieldCount = std::count_if(fields.begin(), fields.end(),
                                                [](const auto& f) { return f.number >= 1; });
        // Crops are kept beside the page they were cut from unless the
        // caller named a folder.
        const QString cropFolder = folder.isEmpty() ? reviewCropFolderBeside(page.fileURL) : folder;
        item.imageURL =
            approximateReviewCropURL(page, answer.questionNumber, visible, fieldCount, cropFolder)
                .value_or(page.fileURL);
    }

    const std::optional<SurveyTemplateField> field = templateField(fields, answer.questionNumber);
    item.prompt = field ? field->prompt : QStringLiteral("Question %1").arg(answer.questionNumber);
    item.suggestedText = answer.answer.isEmpty() ? QLatin1String(kBlankAnswer) : answer.answer;
    item.enteredText = answer.answer == QLatin1String(kBlankAnswer) ? QString() : answer.answer;
    item.confidence = answer.confidence;
    const QString rationale = answer.rationale.trimmed();
    item.reviewNote = rationale.isEmpty()
                          ? QStringLiteral("AI First was not confident enough. Review required.")
                          : QStringLiteral("AI First review: ") + rationale;
    return item;
}

QString aiFirstClosingMessage(qint64 pages, qint64 errors, qint64 autoFilled)
{
    if (pages > 0 && errors == pages)
        return QStringLiteral("AI First tried %1 pages, but every request failed.").arg(pages);
    return QStringLiteral("AI First read %1 pages and auto-filled %2 answers.")
        .arg(pages)
        .arg(autoFilled);
}

} // namespace

QCoro::Task<AIStepResult> applyAIEnhancements(AIStepContext context,
                                              QList<SurveyResponse> responses,
                                              QList<QuestionReviewItem> reviewItems)
{
    AISettingsStore& settings = *context.settings;
    AIStepStatus status = context.status;
    std::optional<QString> skipped = hybridSkipMessage(settings);
    if (!skipped && !context.client)
        skipped = QStringLiteral("AI skipped.");
    if (skipped) {
        status.message = *skipped;
        publish(context, status);
        co_return AIStepResult{responses, reviewItems, status};
    }
    const QString apiKey = *settings.cachedAPIKey();
    status.message = QStringLiteral("AI is checking uncertain answers...");
    publish(context, status);

    // A negative limit stored by other means sends nothing.
    const qsizetype limit = qsizetype(
        std::clamp<qint64>(settings.maxAIReviewsPerBatch(), 0, qint64(reviewItems.size())));
    const QList<QuestionReviewItem> batch = reviewItems.first(limit);
    QList<QuestionReviewItem> result = reviewItems.sliced(limit);

    const QList<AIAnalysisBatchResult> outcomes =
        co_await runAIAnalysisBatch(context, batch, apiKey, status);

    qint64 autoApplied = 0;
    qint64 errors = 0;
    for (const AIAnalysisBatchResult& outcome : outcomes) {
        ++status.attemptCount;
        QuestionReviewItem item = outcome.item;
        if (outcome.suggestion) {
            const AIAnswerSuggestion& suggestion = *outcome.suggestion;
            if (shouldAutoApply(suggestion, settings.detectionMode(),
                                settings.autoApplyConfidence())) {
                applyAIAnswer(responses, item.surveyNumber, item.questionNumber, suggestion.answer);
                ++autoApplied;
            } else {
                if (!suggestion.answer.isEmpty()) {
                    item.suggestedText = suggestion.answer;
                    item.enteredText = suggestion.answer;
                }
                item.confidence = suggestion.confidence;
                item.reviewNote = reviewNote(suggestion, settings.autoApplyConfidence());
                result << item;
            }
        } else {
            ++errors;
            noteFailure(settings, outcome.failureMessage);
            item.reviewNote =
                QStringLiteral("AI could not verify this answer: ") + outcome.failureMessage;
            result << item;
        }
        status.autoAppliedCount = autoApplied;
        status.errorCount = errors;
        status.message = QStringLiteral("AI checked %1 of %2 review images...")
                             .arg(status.attemptCount)
                             .arg(batch.size());
        publish(context, status);
    }

    status.attemptCount = batch.size();
    status.autoAppliedCount = autoApplied;
    status.errorCount = errors;
    if (batch.isEmpty())
        status.message = QStringLiteral("AI had no uncertain answers to check.");
    else if (errors == batch.size())
        status.message =
            QStringLiteral("AI tried %1 review images, but every request failed.").arg(errors);
    else
        status.message = QStringLiteral("AI checked %1 review images and auto-filled %2.")
                             .arg(batch.size())
                             .arg(autoApplied);
    publish(context, status);
    co_return AIStepResult{responses, result, status};
}

QCoro::Task<AIStepResult> applyAIFirstPageExtraction(AIStepContext context,
                                                     QList<SurveyResponse> responses,
                                                     QList<ScanPage> pages,
                                                     QList<QuestionReviewItem> localReviewItems)
{
    AISettingsStore& settings = *context.settings;
    AIStepStatus status = context.status;
    if (!settings.canUseAI() || !settings.cachedAPIKey() || !context.client) {
        // Nothing is sent, so what the page reader found stays, as in
        // local-only mode; its note promising an AI check no longer holds.
        status.message = !settings.hasAPIKey()
                             ? QStringLiteral("AI First skipped. No OpenAI API key is saved.")
                             : QStringLiteral("AI First skipped.");
        publish(context, status);
        const QString promise = QStringLiteral("AI First will verify this question.");
        for (QuestionReviewItem& item : localReviewItems) {
            if (item.reviewNote == promise)
                item.reviewNote.reset();
        }
        co_return AIStepResult{responses, localReviewItems, status};
    }

    responses = blankedAIResponses(responses, context.configuration);
    const QString apiKey = *settings.cachedAPIKey();
    const QString model = settings.model();
    QList<SurveyTemplateField> fields = context.configuration.templateFields;
    std::stable_sort(fields.begin(), fields.end(),
                     [](const auto& a, const auto& b) { return a.number < b.number; });
    const QHash<QString, QUrl> localCrops = localReviewImageMap(localReviewItems);
    const QString folder = context.reviewFolder;

    const qint64 pageCount = pages.size();
    status.message = QStringLiteral("AI First is reading %1 scanned pages...").arg(pageCount);
    publish(context, status);
    std::stable_sort(pages.begin(), pages.end(),
                     [](const auto& a, const auto& b) { return a.pageNumber < b.pageNumber; });

    QList<QuestionReviewItem> reviewItems;
    qint64 autoFilled = 0;
    qint64 errors = 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const ScanPage& page = pages[i];
        status.attemptCount = i + 1;
        status.message =
            QStringLiteral("AI First is reading page %1 of %2...").arg(i + 1).arg(pageCount);
        publish(context, status);

        QList<AIPageAnswer> answers;
        std::optional<QString> failure;
        try {
            answers = co_await context.client->analyzePage(page.fileURL, fields, apiKey, model);
        } catch (...) {
            failure = describe(std::current_exception());
        }

        if (failure) {
            ++errors;
            noteFailure(settings, *failure);
            for (const SurveyTemplateField& field : fields) {
                QuestionReviewItem item;
                item.surveyNumber = page.surveyNumber;
                item.pageNumber = page.pageNumber;
                item.questionNumber = field.number;
                item.prompt = field.prompt;
                item.suggestedText = QLatin1String(kBlankAnswer);
                item.confidence = 0;
                item.imageURL = page.fileURL;
                item.pageURL = page.fileURL;
                item.reviewNote = QStringLiteral("AI First could not read this page: ") + *failure;
                reviewItems << item;
            }
        } else {
            QList<qint64> visible;
            for (const AIPageAnswer& answer : answers) {
                if (answer.visible)
                    visible << answer.questionNumber;
            }
            for (const AIPageAnswer& answer : answers) {
                if (!answer.visible)
                    continue;
                const double threshold =
                    aiFirstThreshold(fields, answer.questionNumber, settings.autoApplyConfidence());
                if (answer.confidence >= threshold && !isBlankAIAnswer(answer.answer)) {
                    applyAIAnswer(responses, page.surveyNumber, answer.questionNumber,
                                  answer.answer);
                    ++autoFilled;
                    continue;
                }
                const QString key =
                    reviewKey(page.surveyNumber, page.pageNumber, answer.questionNumber);
                const std::optional<QUrl> localCrop =
                    localCrops.contains(key) ? std::optional<QUrl>(localCrops.value(key))
                                             : std::nullopt;
                reviewItems << aiFirstReviewItem(context, answer, page, localCrop, visible, folder);
            }
        }
        status.autoAppliedCount = autoFilled;
        status.errorCount = errors;
        publish(context, status);
    }

    status.attemptCount = pageCount;
    status.autoAppliedCount = autoFilled;
    status.errorCount = errors;
    status.message = aiFirstClosingMessage(pageCount, errors, autoFilled);
    publish(context, status);
    co_return AIStepResult{responses, reviewItems, status};
}
