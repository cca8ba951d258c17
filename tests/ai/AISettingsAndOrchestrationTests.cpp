#include "ScriptedAIClient.h"
#include "TestSupport.h"
#include "ai/AIOrchestration.h"
#include "ai/AIReviewRules.h"
#include "ai/AISettingsStore.h"
#include "ai/ApproximateReviewCrop.h"

#include <QFile>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kKey = QStringLiteral("sk-proj-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcWXYZ");
using testsupport::mapped;
using testsupport::runTask;

SurveyTemplateField field(qint64 number, SurveyDetectionMode mode, const QString& options = {})
{
    return SurveyTemplateField{number, QStringLiteral("Prompt %1").arg(number), mode, options};
}

QuestionReviewItem reviewItem(qint64 survey, qint64 question, const QString& suggested = {})
{
    QuestionReviewItem item;
    item.surveyNumber = survey;
    item.pageNumber = survey;
    item.questionNumber = question;
    item.prompt = QStringLiteral("Prompt %1").arg(question);
    item.suggestedText = suggested;
    item.imageURL = QUrl::fromLocalFile(QStringLiteral("/nonexistent/crop-%1.png").arg(question));
    return item;
}

// An item as one line, "Q2 suggested|entered|note", so a queue compares at once.
QStringList lines(const QList<QuestionReviewItem>& items)
{
    return mapped(items, [](const QuestionReviewItem& item) {
        return QStringLiteral("Q%1 %2|%3|%4")
            .arg(item.questionNumber)
            .arg(item.suggestedText, item.enteredText, item.reviewNote.value_or("-"));
    });
}

SurveyResponse response(qint64 survey, qint64 count, const QString& fill = "N/A")
{
    return SurveyResponse{survey, QDateTime(), QStringList(count, fill)};
}

AIAnswerSuggestion suggestion(const QString& answer, double confidence, bool needsReview = false,
                              const QString& rationale = {})
{
    return AIAnswerSuggestion{answer, confidence, needsReview, rationale};
}

AIPageAnswer pageAnswer(qint64 question, const QString& answer, double confidence,
                        bool visible = true, const QString& rationale = {})
{
    return AIPageAnswer{question, answer, confidence, confidence < 0.9, visible, rationale};
}

// Real settings in a temporary file, a scripted AI client, and every published status kept.
class AIOrchestrationTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    AISettingsStore settings{dir.filePath(QStringLiteral("prefs.ini"))};
    ScriptedAIClient client;
    QList<AIStepStatus> published;

    void SetUp() override
    {
        settings.saveAPIKey(kKey);
        settings.setClient(&client);
    }

    AIStepContext context(QList<SurveyTemplateField> fields = {})
    {
        AIStepContext context;
        context.settings = &settings;
        context.client = &client;
        if (!fields.isEmpty())
            context.configuration.templateFields = fields;
        context.publish = [this](const AIStepStatus& status) { published << status; };
        context.reviewFolder = dir.filePath(QStringLiteral("review"));
        return context;
    }

    QStringList publishedMessages() const { return mapped(published, &AIStepStatus::message); }

    ScanPage page(qint64 survey, qint64 number, QSize size = QSize(85, 110))
    {
        ScanPage page;
        page.surveyNumber = survey;
        page.pageNumber = number;
        page.fileURL = QUrl::fromLocalFile(testsupport::writePageImage(
            dir.filePath(QStringLiteral("page-%1-%2.png").arg(survey).arg(number)), size));
        return page;
    }
};

} // namespace

// Hybrid writes confident answers, flagged or not; AI Review only suggests.
// An empty answer leaves the local suggestion in place.
TEST_F(AIOrchestrationTest, HybridWritesConfidentAnswersAndAIReviewOnlySuggests)
{
    client.crops[1] = suggestion("B", 0.95, true);
    client.crops[2] = suggestion("C", 0.80, false, "faint tick");
    client.crops[3] = suggestion(QString(), 0.99);
    client.crops[4] = suggestion("Yes", 0.99);
    const QList<QuestionReviewItem> items{reviewItem(1, 1, "A"), reviewItem(1, 2),
                                          reviewItem(1, 3, "local"), reviewItem(1, 4)};

    settings.setDetectionMode(AIDetectionMode::hybrid);
    AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_EQ(result.responses[0].answers.mid(0, 5),
              (QStringList{"B", "N/A", "N/A", "Yes", "N/A"}));
    ASSERT_EQ(result.reviewItems.size(), 2);
    EXPECT_EQ(lines(result.reviewItems)[0], "Q2 C|C|AI was 80% confident: faint tick");
    EXPECT_DOUBLE_EQ(result.reviewItems[0].confidence, 0.80);
    EXPECT_EQ(lines(result.reviewItems)[1].section('|', 0, 1), "Q3 local|");
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI checked 4 review images and auto-filled 2.", 4, 2, 0}));
    EXPECT_EQ(client.keys, QStringList(4, kKey));

    settings.setDetectionMode(AIDetectionMode::aiReview);
    result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_EQ(result.responses[0].answers, QStringList(14, "N/A"));
    EXPECT_TRUE(
        lines(result.reviewItems).contains("Q4 Yes|Yes|AI suggested this answer for review."));
    EXPECT_EQ(lines(result.reviewItems).filter("flagged"),
              QStringList{"Q1 B|B|AI flagged this answer for review."});
    EXPECT_EQ(result.status.autoAppliedCount, 0);
}

TEST(AIReviewRules, ReviewNoteAutoApplyAndAnswerWriting)
{
    using enum AIDetectionMode;
    const std::pair<AIAnswerSuggestion, const char*> notes[] = {
        {suggestion("n/a", 1.0), "AI could not find a readable answer. Review required."},
        {suggestion("B", 0.874), "AI was only 87% confident. Review required."},
        {suggestion("B", 0.5, true, " smudged "), "AI was 50% confident: smudged"},
        {suggestion("B", 0.95, true, "two ticks"), "AI flagged this answer for review: two ticks"},
        {suggestion("B", 0.97, false, "clear circle"), "AI note: clear circle"},
    };
    for (const auto& [suggested, note] : notes)
        EXPECT_EQ(reviewNote(suggested, 0.92), note) << note;

    const std::tuple<const char*, double, AIDetectionMode, bool> applies[] = {
        {"B", 0.92, hybrid, true},   {"B", 0.92, aiFirst, true},    {"B", 1.0, aiReview, false},
        {"B", 0.919, hybrid, false}, {" n/A ", 1.0, hybrid, false}, {"  ", 1.0, hybrid, false}};
    for (const auto& [answer, confidence, mode, applied] : applies)
        EXPECT_EQ(shouldAutoApply(suggestion(answer, confidence), mode, 0.92), applied)
            << answer << " " << confidence;

    // Writing an answer pads a short response and touches the survey's first response only.
    QList<SurveyResponse> responses{response(2, 14, "x"), response(2, 3)};
    EXPECT_TRUE(applyAIAnswer(responses, 2, 16, "Yes"));
    EXPECT_EQ(responses[0].answers.mid(13), (QStringList{"x", "N/A", "Yes"}));
    EXPECT_EQ(responses[1].answers.size(), 3);
    EXPECT_FALSE(applyAIAnswer(responses, 9, 1, "Yes") || applyAIAnswer(responses, 2, 0, "Yes"));
    EXPECT_EQ(responses[0].answers.size(), 16);
}

TEST_F(AIOrchestrationTest, OnlyUpToTheBatchLimitIsSentAndWithoutUsableAINothingIsSent)
{
    settings.setDetectionMode(AIDetectionMode::aiReview);
    settings.setMaxAIReviewsPerBatch(2);
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 5; ++q) {
        client.crops[q] = suggestion("A", 0.5);
        items << reviewItem(1, q);
    }
    AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.cropCalls, (QList<qint64>{1, 2}));
    ASSERT_EQ(result.reviewItems.size(), 5);
    EXPECT_EQ(result.reviewItems.mid(0, 3), items.mid(2));
    EXPECT_EQ(lines(result.reviewItems.mid(3)).join(',').count("|A|"), 2);
    EXPECT_EQ(result.reviewItems[3].questionNumber, 1);

    // A negative limit stored by other means sends nothing.
    settings.setMaxAIReviewsPerBatch(-4);
    result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_EQ(client.cropCalls.size(), 2);
    EXPECT_EQ(result.reviewItems, items);

    // Without usable AI nothing is sent: the reader's answers and items stand,
    // without a note that promised an AI check.
    using enum AIDetectionMode;
    QuestionReviewItem local = reviewItem(1, 2, "B");
    const QList<SurveyResponse> read{response(1, 14, "A")};
    const ScanPage scanned = page(1, 1);
    const std::tuple<AIDetectionMode, bool, bool, const char*> rows[] = {
        {localOnly, true, true, "AI skipped. Local-only mode is selected."},
        {hybrid, false, true, "AI skipped. Image sending is disabled."},
        {aiReview, true, false, "AI skipped. No OpenAI API key is saved."},
        {aiFirst, true, false, "AI First skipped. No OpenAI API key is saved."},
        {aiFirst, false, true, "AI First skipped."},
    };
    for (const auto& [mode, sendsImages, key, message] : rows) {
        settings.setDetectionMode(mode);
        settings.setSendsImagesToOpenAI(sendsImages);
        key ? settings.saveAPIKey(kKey) : settings.removeAPIKey();
        local.reviewNote = QStringLiteral("AI First will verify this question.");
        const AIStepResult skipped = runTask(
            mode == aiFirst ? applyAIFirstPageExtraction(context(), read, {scanned}, {local})
                            : applyAIEnhancements(context(), read, {local}));
        EXPECT_EQ(skipped.status.message, message);
        EXPECT_EQ(skipped.responses, read);
        EXPECT_EQ(lines(skipped.reviewItems),
                  QStringList(mode == aiFirst ? "Q2 B||-" : "Q2 B||" + *local.reviewNote));
    }
    EXPECT_TRUE(client.cropCalls.size() == 2 && client.pageCalls.isEmpty());
}

TEST_F(AIOrchestrationTest, CropsGoFourAtATimeWithProgressTexts)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.delay = 15ms;
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 10; ++q) {
        items << reviewItem(1, q);
        client.crops[q] = suggestion("Yes", q == 2 || q == 3 || q == 5 ? 0.99 : 0.5);
    }
    // The first of the first group finishes last; results come in finishing order.
    client.finishAfter[1] = {2, 3, 4};

    const AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.maxInFlight, 4);
    const QStringList messages = publishedMessages();
    EXPECT_EQ(messages.filter("AI is checking review images"),
              (QStringList{"AI is checking review images 1-4 of 10...",
                           "AI is checking review images 5-8 of 10...",
                           "AI is checking review images 9-10 of 10..."}));
    EXPECT_TRUE(messages.contains("AI checked 7 of 10 review images..."));
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI checked 10 review images and auto-filled 3.", 10, 3, 0}));
    EXPECT_EQ(result.responses[0].answers.mid(0, 5),
              (QStringList{"N/A", "Yes", "Yes", "N/A", "Yes"}));
    // Question 1 finished last in its group, so it follows question 4.
    EXPECT_EQ(mapped(result.reviewItems, &QuestionReviewItem::questionNumber),
              (QList<qint64>{4, 1, 6, 7, 8, 9, 10}));
}

// Pages go one at a time, in page order. Choices fill from 0.92, written
// answers only from 0.995; "n/a" and unseen questions stay blank. A question
// left in doubt shows the reader's crop where there is one, else a band of
// the page.
TEST_F(AIOrchestrationTest, AIFirstReadsPagesInOrderFillsByThresholdAndCropsWhatItLeaves)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    client.delay = 5ms;
    using enum SurveyDetectionMode;
    const QList<SurveyTemplateField> fields{field(1, singleChoice), field(2, written),
                                            field(3, written), field(4, singleChoice),
                                            field(5, singleChoice)};
    const ScanPage scanned = page(1, 1, QSize(850, 1100)), second = page(1, 2);
    client.pages[scanned.fileURL] = QList<AIPageAnswer>{
        pageAnswer(1, "Yes", 0.93), pageAnswer(2, "Blue bike", 0.99, true, "messy hand"),
        pageAnswer(3, "Red car", 0.995), pageAnswer(4, "B", 1.0, false), pageAnswer(5, "n/a", 1.0)};
    client.pages[second.fileURL] = QList<AIPageAnswer>{};

    AIStepContext ctx = context(fields);
    ctx.configuration.questionCount = 3; // the fields go further
    const AIStepResult result =
        runTask(applyAIFirstPageExtraction(ctx, {response(1, 3, "local")}, {second, scanned}, {}));

    EXPECT_EQ(client.pageCalls, (QList<QUrl>{scanned.fileURL, second.fileURL}));
    EXPECT_EQ(client.maxInFlight, 1);
    EXPECT_TRUE(publishedMessages().contains("AI First is reading page 2 of 2..."));
    EXPECT_EQ(result.responses[0].answers, (QStringList{"Yes", "N/A", "Red car", "N/A", "N/A"}));
    EXPECT_EQ(lines(result.reviewItems),
              (QStringList{"Q2 Blue bike|Blue bike|AI First review: messy hand",
                           "Q5 n/a|n/a|AI First was not confident enough. Review required."}));
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI First read 2 pages and auto-filled 2 answers.", 2, 2, 0}));
    EXPECT_EQ(client.pageFieldNumbers.value(0), (QList<qint64>{1, 2, 3, 4, 5}));

    const ScanPage sheet = page(4, 7, QSize(255, 330));
    const QUrl localCrop = page(99, 1, QSize(40, 20)).fileURL;
    client.pages[sheet.fileURL] = QList<AIPageAnswer>{
        pageAnswer(1, QString(), 0.2), pageAnswer(2, "B", 0.2), pageAnswer(3, "C", 0.2)};
    QuestionReviewItem local1 = reviewItem(4, 1), local2 = reviewItem(4, 2);
    local1.pageNumber = local2.pageNumber = 7;
    local1.imageURL = localCrop; // local2's crop was never written
    const AIStepResult cropped = runTask(applyAIFirstPageExtraction(
        context({field(1, singleChoice), field(2, singleChoice), field(3, singleChoice)}),
        {response(4, 14)}, {sheet}, {local1, local2}));
    ASSERT_EQ(cropped.reviewItems.size(), 3);
    EXPECT_EQ(cropped.reviewItems[0].imageURL, localCrop);
    EXPECT_EQ(lines(cropped.reviewItems).value(0).section('|', 0, 1), "Q1 N/A|");
    EXPECT_EQ(cropped.reviewItems[1].imageURL.fileName(), "ai-survey-4-page-7-q-2.png");
    // Portrait 255 x 330 in three bands of 110, widened by 80: rows 30 to 300.
    EXPECT_EQ(QImage(cropped.reviewItems[1].imageURL.toLocalFile()).size(), QSize(255, 270));
}

// Every page failing sends every question of its survey to review; the
// fields sorted by number, the page itself the crop.
TEST_F(AIOrchestrationTest, FailedRequestsStayInReviewWithTheErrorText)
{
    client.crops[1] = client.crops[2] = QStringLiteral("Rate limit reached.");
    AIStepResult result = runTask(
        applyAIEnhancements(context(), {response(1, 14)}, {reviewItem(1, 1), reviewItem(1, 2)}));
    EXPECT_EQ(lines(result.reviewItems).value(1),
              "Q2 ||AI could not verify this answer: Rate limit reached.");
    EXPECT_EQ(settings.lastErrorMessage(), "Rate limit reached.");
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI tried 2 review images, but every request failed.", 2, 0, 2}));

    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const QList<SurveyTemplateField> fields{field(2, SurveyDetectionMode::singleChoice),
                                            field(1, SurveyDetectionMode::written)};
    const QList<ScanPage> pages{page(1, 1), page(2, 2), page(3, 3)};
    client.anyPage = QStringLiteral("The request timed out.");
    result = runTask(applyAIFirstPageExtraction(
        context(fields), {response(1, 14), response(2, 14), response(3, 14)}, pages, {}));
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI First tried 3 pages, but every request failed.", 3, 0, 3}));
    ASSERT_EQ(result.reviewItems.size(), 6);
    const QuestionReviewItem& item = result.reviewItems[3];
    EXPECT_EQ(item.surveyNumber, 2);
    EXPECT_EQ(lines({item}),
              QStringList{"Q2 N/A||AI First could not read this page: The request timed out."});
    EXPECT_EQ(item.imageURL, pages[1].fileURL);
    EXPECT_EQ(item.pageURL, pages[1].fileURL);
    for (const SurveyResponse& r : result.responses)
        EXPECT_EQ(r.answers, QStringList(14, "N/A"));
}

// 3300 > int(2550 x 1.18): a page lies sideways and is cut into vertical
// bands; otherwise into horizontal ones. Slots of 1100, widened by 80.
TEST(ApproximateReviewCrop, PagesAreCutIntoBandsAcrossTheirLongSide)
{
    const QSize landscape(3300, 2550), portrait(2550, 3300);
    EXPECT_EQ(approximateCropRect(landscape, 2, {3, 1, 2, 2}, 3), QRect(1020, 0, 1260, 2550));
    EXPECT_EQ(approximateCropRect(landscape, 1, {1, 2, 3}, 3), QRect(0, 0, 1180, 2550));
    EXPECT_EQ(approximateCropRect(portrait, 2, {1, 2, 3}, 3), QRect(0, 1020, 2550, 1260));
    // Not visible: the slot is the question number - 1; fourteen fields give fourteen slots.
    const QRect band = approximateCropRect(portrait, 5, {1, 2}, 14);
    EXPECT_EQ(band.top(), int(std::floor(4 * 3300.0 / 14 - 80)));
    EXPECT_EQ(band.width(), 2550);
    // A slot beyond the page gives nothing; under the sideways ratio stays portrait.
    EXPECT_TRUE(approximateCropRect(portrait, 9, {1, 2, 3}, 3).isEmpty());
    EXPECT_EQ(approximateCropRect(QSize(1170, 1000), 1, {}, 2).width(), 1170);

    // Cutting from a page that is gone gives no crop; the written crop is
    // checked where AI First uses it.
    QTemporaryDir dir;
    ScanPage gone;
    gone.fileURL = QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.png")));
    EXPECT_FALSE(approximateReviewCropURL(gone, 2, {1, 2, 3}, 3, dir.path()).has_value());
}

namespace {

constexpr auto kOthersMayRead = QFileDevice::ReadGroup | QFileDevice::ReadOther;
// Every preference as the screens read it, the mode by its label.
QVariantMap preferences(const AISettingsStore& settings)
{
    QVariantMap values{{"detectionMode", rawValue(settings.detectionMode())}};
    for (const char* name : {"model", "autoApplyConfidence", "maxAIReviewsPerBatch",
                             "sendsImagesToOpenAI", "hasShownFirstRunPrompt", "hasAPIKey"})
        values[name] = settings.property(name);
    return values;
}

bool othersMayRead(const QString& file)
{
    return QFile::permissions(file) & kOthersMayRead;
}

void letOthersRead(const QString& file)
{
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | kOthersMayRead);
}

class AISettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("prefs/tallywicket.ini"); }
};

} // namespace

TEST_F(AISettingsStoreTest, StoredValuesLoadByTheirRulesAndSettersWriteThrough)
{
    const struct
    {
        const char* key;
        QVariant stored;
        const char* preference;
        QVariant expected;
    } rows[] = {
        {aikeys::detectionMode, "AI First", "detectionMode", "AI First"},
        {aikeys::detectionMode, "local only", "detectionMode", "Hybrid"},
        {aikeys::model, " gpt-5.5 ", "model", " gpt-5.5 "},
        {aikeys::autoApplyConfidence, 0.95, "autoApplyConfidence", 0.92},
        {aikeys::autoApplyConfidence, 0.90, "autoApplyConfidence", 0.90},
        {aikeys::autoApplyConfidence, "high", "autoApplyConfidence", 0.92},
        {aikeys::maxReviewsPerBatch, 0, "maxAIReviewsPerBatch", 80},
        {aikeys::maxReviewsPerBatch, -3, "maxAIReviewsPerBatch", -3},
        {aikeys::maxReviewsPerBatch, "many", "maxAIReviewsPerBatch", 80},
        {aikeys::sendsImagesToOpenAI, "sometimes", "sendsImagesToOpenAI", true},
        {aikeys::sendsImagesToOpenAI, "0", "sendsImagesToOpenAI", false},
        {aikeys::hasShownFirstRunPrompt, "maybe", "hasShownFirstRunPrompt", false},
        {aikeys::openAIAPIKey, "", "hasAPIKey", false},
        {aikeys::openAIAPIKey, "sk-abc", "hasAPIKey", true},
    };
    for (const auto& row : rows) {
        QFile::remove(path());
        QSettings(path(), QSettings::IniFormat).setValue(QLatin1String(row.key), row.stored);
        EXPECT_EQ(preferences(AISettingsStore(path()))[row.preference], row.expected)
            << row.key << " = " << row.stored.toString().toStdString();
    }

    // Setters write through, read back at the next start; 0.955 loads as 0.92.
    QFile::remove(path());
    {
        AISettingsStore settings(path());
        settings.setDetectionMode(AIDetectionMode::aiReview);
        settings.setModel("gpt-5.5");
        settings.setAutoApplyConfidence(0.955);
        settings.setMaxAIReviewsPerBatch(21);
        settings.setSendsImagesToOpenAI(false);
        settings.setHasShownFirstRunPrompt(true);
    }
    EXPECT_EQ(preferences(AISettingsStore(path())), (QVariantMap{{"detectionMode", "AI Review"},
                                                                 {"model", "gpt-5.5"},
                                                                 {"autoApplyConfidence", 0.92},
                                                                 {"maxAIReviewsPerBatch", 21},
                                                                 {"sendsImagesToOpenAI", false},
                                                                 {"hasShownFirstRunPrompt", true},
                                                                 {"hasAPIKey", false}}));
}

// A file others may read is made private by the first write, or as soon as
// it is loaded when it holds a key.
TEST_F(AISettingsStoreTest, SavingTrimsTheKeyAndKeepsTheFilePrivate)
{
    QSettings(path(), QSettings::IniFormat).setValue(aikeys::model, "gpt-4.1-mini");
    letOthersRead(path());
    AISettingsStore settings(path());
    settings.setLastErrorMessage("old failure");

    settings.saveAPIKey("   " + kKey + "\n");
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_TRUE(settings.canUseAI());
    EXPECT_EQ(settings.connectionStatusMessage(), "Key saved. Run a test before scanning.");
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
    EXPECT_EQ(settings.apiKeyPreview(), "sk-proj...WXYZ");
    EXPECT_FALSE(othersMayRead(path()));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);

    settings.removeAPIKey();
    EXPECT_EQ(settings.connectionStatusMessage(), "Not connected.");
    EXPECT_FALSE(testsupport::readBytes(path()).contains(kKey.toUtf8()));
    EXPECT_FALSE(AISettingsStore(path()).hasAPIKey());

    // A blank key changes nothing; a short one shows none of its letters.
    AISettingsStore other(dir.filePath("other.ini"));
    other.saveAPIKey("  \n\t ");
    EXPECT_EQ(other.connectionStatusMessage(), "Not tested.");
    EXPECT_FALSE(QFile::exists(other.settingsFilePath()));
    other.saveAPIKey("sk-short");
    EXPECT_FALSE(other.apiKeyPreview().contains("short"));
    letOthersRead(other.settingsFilePath());
    EXPECT_TRUE(AISettingsStore(other.settingsFilePath()).hasAPIKey());
    EXPECT_FALSE(othersMayRead(other.settingsFilePath()));
}

// A key that could not be saved, or removed, is reported and the store
// claims only what the file holds.
TEST_F(AISettingsStoreTest, AKeyThatCouldNotBeSavedOrRemovedIsReported)
{
    // A plain file where the preferences folder should be: no user can write below it.
    testsupport::writeBytes(dir.filePath("prefs"), "");
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_TRUE(settings.lastErrorText().contains(path()))
        << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(), "The key was not saved.");
    EXPECT_FALSE(settings.hasAPIKey());

    // Once the folder can be made, the next save works, into a new private file.
    ASSERT_TRUE(QFile::remove(dir.filePath("prefs")));
    settings.saveAPIKey(kKey);
    EXPECT_FALSE(settings.lastErrorMessage().has_value()) << settings.lastErrorText().toStdString();
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
    EXPECT_FALSE(QFile::permissions(path()) &
                 (kOthersMayRead | QFileDevice::WriteGroup | QFileDevice::WriteOther));

    {
        // The file without the key cannot be written, as on a full disk.
        testsupport::FileSizeCap cap(8);
        settings.removeAPIKey();
    }
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_EQ(settings.connectionStatusMessage(), "The key was not removed.");
    EXPECT_TRUE(settings.lastErrorText().contains(path()));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
}

TEST_F(AISettingsStoreTest, ConnectionTestReportsSuccessFailureAndMissingKey)
{
    ScriptedAIClient client;
    AISettingsStore settings(path(), &client);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Save an API key first.");

    settings.saveAPIKey(kKey);
    settings.setModel("gpt-5.5");
    QSignalSpy testing(&settings, &AISettingsStore::isTestingConnectionChanged);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test passed.");
    EXPECT_EQ(client.keys, QStringList{kKey});
    EXPECT_EQ(client.connectionModels, QStringList{"gpt-5.5"});
    EXPECT_EQ(testing.count(), 2);

    // A client that echoes the key does not get it shown.
    client.connectionFailure = "Key " + kKey + " was refused.";
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test failed.");
    EXPECT_EQ(settings.lastErrorMessage(), "Key [API key] was refused.");
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_FALSE(settings.isTestingConnection());
}
