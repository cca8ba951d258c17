#include "TestSupport.h"
#include "store/ReadingCopies.h"
#include "store/ReadingProgress.h"
#include "store/SurveyMerging.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
ScanPage page(qint64 survey, qint64 number, SurveySide side = SurveySide::front)
{
    const QUrl file = QUrl::fromLocalFile(QString("/scans/p%1.png").arg(number));
    return ScanPage{QUuid::createUuid(), survey, side, number, QDateTime(), file};
}

SurveyResponse response(qint64 survey, const QString& first = "A")
{
    return {survey, QDateTime(), {first}};
}

using testsupport::mapped;
} // namespace

TEST(SurveyMerging, PagesContinueAfterHeldSurveysAndPagesWithFreshIds)
{
    const QList<ScanPage> batch = {page(1, 1), page(1, 2, SurveySide::back), page(2, 3),
                                   page(2, 4, SurveySide::back)};
    const QList<ScanPage> renumbered = renumberPages(batch, 6, 10);
    EXPECT_EQ(mapped(renumbered, &ScanPage::surveyNumber), (QList<qint64>{6, 6, 7, 7}));
    EXPECT_EQ(mapped(renumbered, &ScanPage::pageNumber), (QList<qint64>{11, 12, 13, 14}));
    for (int i = 0; i < renumbered.size(); ++i) {
        EXPECT_NE(renumbered[i].id, batch[i].id);
        EXPECT_EQ(renumbered[i].side, batch[i].side);
        EXPECT_EQ(renumbered[i].fileURL, batch[i].fileURL);
    }
    EXPECT_TRUE(renumberPages({}, 3, 5).isEmpty());

    // Responses shift so that their smallest number becomes the first.
    const QList<SurveyResponse> already = {response(3), response(4)};
    EXPECT_EQ(renumberResponses(already, 3), already);
    EXPECT_EQ(
        mapped(renumberResponses({response(2), response(1)}, 5), &SurveyResponse::surveyNumber),
        (QList<qint64>{6, 5}));
    EXPECT_TRUE(renumberResponses({}, 1).isEmpty());
}

TEST(SurveyMerging, NewResponsesReplaceSameNumberAndSortAscending)
{
    const auto merged =
        mergeResponses({response(1), response(2), response(3)}, {response(2, "new"), response(5)});
    EXPECT_EQ(mapped(merged, &SurveyResponse::surveyNumber), (QList<qint64>{1, 2, 3, 5}));
    EXPECT_EQ(merged[1].answers.first(), "new");
    EXPECT_EQ(mapped(mergeResponses({}, {response(4), response(2), response(3)}),
                     &SurveyResponse::surveyNumber),
              (QList<qint64>{2, 3, 4}));
    // Hand-edited duplicates still come out once.
    EXPECT_EQ(mergeResponses({response(1), response(1)}, {}).size(), 1);
}

TEST(SurveyMerging, QuestionsFillOneToCountIgnoringBlankTextAndTemplatesKeepTheLastFieldOfANumber)
{
    EXPECT_EQ(mergeQuestions({{1, "One"}, {2, "Two"}}, {{2, "  \n"}, {3, "Three"}}, 5),
              (QList<SurveyQuestion>{
                  {1, "One"}, {2, "Two"}, {3, "Three"}, {4, QString()}, {5, QString()}}));
    // Numbers beyond the count extend it; numbers below 1 do not survive.
    const auto grown = mergeQuestions({{0, "Zero"}}, {{4, "F"}}, 2);
    EXPECT_EQ(mapped(grown, &SurveyQuestion::number), (QList<qint64>{1, 2, 3, 4}));
    EXPECT_EQ(grown.last().text, "F");

    const QList<SurveyTemplateField> fields = {
        {7, "old", SurveyDetectionMode::written, {}},
        {2, "two", SurveyDetectionMode::singleChoice, {}},
        {7, "new", SurveyDetectionMode::singleChoice, {}},
    };
    const auto tidy = normalizedTemplateFields(fields);
    ASSERT_EQ(tidy.size(), 2);
    EXPECT_EQ(tidy[0].number, 2);
    EXPECT_EQ(tidy[1].prompt, "new");
    EXPECT_EQ(questionCountForTemplate(fields), 7);
    EXPECT_EQ(questionCountForTemplate({}), 1);
}

// Two workers finishing together count from the start; a slow start while
// the feeder set the pace is forgotten after the last eight pages.
TEST(ReadingProgress, TimeLeftFollowsThePaceOfTheLastPagesAndIsShownRounded)
{
    const std::tuple<QList<qint64>, int, std::optional<int>> cases[] = {
        {{}, 0, 0},
        {{0}, 5, std::nullopt},
        {{0, 500, 1000}, 5, 3},
        {{0, 3000, 3000}, 10, 15},
        {{0, 10000, 20000, 20500, 21000, 21500, 22000, 22500, 23000, 23500, 24000}, 10, 5},
    };
    for (const auto& [readTimes, pagesLeft, seconds] : cases)
        EXPECT_EQ(readingSecondsLeft(readTimes, pagesLeft), seconds) << readTimes.size();

    const std::pair<ReadingProgress, const char*> reading[] = {
        {{.scanned = 100, .read = 52, .total = 100, .secondsLeft = 24},
         "Reading page 53 of 100 · about 24 s left"},
        {{.scanned = 100, .read = 10, .total = 100, .secondsLeft = 61},
         "Reading page 11 of 100 · about 2 min left"},
        {{.scanned = 100, .read = 1, .total = 100}, "Reading page 2 of 100"},
    };
    for (const auto& [progress, text] : reading)
        EXPECT_EQ(readingProgressText(progress), QString::fromUtf8(text));
}

namespace {

// The resolution Qt's decoder gives the file, in dots per inch.
double decodedDpi(const QString& path)
{
    return QImage(path).dotsPerMeterX() * 0.0254;
}

// The file with `bytes` written over it from `at` on.
void patch(const QString& path, qsizetype at, const QByteArray& bytes)
{
    testsupport::writeBytes(path, testsupport::readBytes(path).replace(at, bytes.size(), bytes));
}

// A page finer than 300 dpi is read from a copy, others from their own
// file: decided from the header where there is one to read, and always as
// decoding the file would decide.
TEST(ReadingCopies, ArePlannedFromTheResolutionTheDecoderWouldGive)
{
    QTemporaryDir dir;
    const auto page = [&](const QString& name, int dpi) {
        return testsupport::writePageImage(dir.filePath(name), QSize(60, 40), dpi);
    };
    QStringList files;
    for (const char* suffix : {"png", "jpg"})
        for (const int dpi : {150, 300, 302, 600})
            files.append(page(QString("p%1.%2").arg(dpi).arg(suffix), dpi));

    // JFIF density in dots per centimetre (240: 610 dpi, 100: 254 dpi), or
    // in no unit at all.
    for (const auto& [name, unit, density] :
         {std::tuple{"cm-fine.jpg", 2, 240}, std::tuple{"cm-plain.jpg", 2, 100},
          std::tuple{"no-unit.jpg", 0, 600}}) {
        files.append(page(name, 72));
        const char fields[] = {char(unit), char(density >> 8), char(density), char(density >> 8),
                               char(density)};
        patch(files.last(), testsupport::readBytes(files.last()).indexOf("JFIF") + 7,
              QByteArray(fields, sizeof fields));
    }
    int copies = 0;
    for (const QString& path : files) {
        const QUrl read = readingFileFor(QUrl::fromLocalFile(path));
        const bool copied = read != QUrl::fromLocalFile(path);
        copies += copied;
        EXPECT_EQ(copied, decodedDpi(path) > 301) << path.toStdString();
        if (copied) {
            EXPECT_NEAR(decodedDpi(read.toLocalFile()), 300, 0.5) << path.toStdString();
        }
    }
    EXPECT_GE(copies, 3);
}

} // namespace
