#include "files/CSVExporter.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QDateTime utc(int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 1), QTime(h, mi, s, ms), Qt::UTC);
}

ScanPage page(qint64 survey, qint64 number, SurveySide side = SurveySide::front,
              const QString& path = "/scans/p.png")
{
    return ScanPage{QUuid::createUuid(),      survey, side, number, utc(14, 5, 9),
                    QUrl::fromLocalFile(path)};
}

SurveyConfiguration configurationWith(qint64 questionCount)
{
    SurveyConfiguration configuration;
    configuration.questionCount = questionCount;
    return configuration;
}

QStringList rows(const QString& csv)
{
    return csv.split(QLatin1Char('\n'));
}

} // namespace

TEST(CSVColumns, WidestOfCountAnswersAndQuestionNumbersWithPlainTitlesForExtras)
{
    EXPECT_EQ(CSVExporter::questionOutputCount(configurationWith(14), {}, {{20, "Late"}}), 20);
    const SurveyResponse sixteen{1, utc(0, 0, 0), QStringList(16, "x")};
    const QString csv =
        CSVExporter::makeCSV(configurationWith(14), {page(1, 1)}, {sixteen}, {{1, "I am:"}}, true);
    const QStringList header = rows(csv).first().split(',');
    ASSERT_EQ(header.size(), 5 + 16);
    EXPECT_EQ(header.at(5), "Q1: I am:");
    EXPECT_EQ(header.at(19), "Q15");
    EXPECT_EQ(header.at(20), "Q16");
    EXPECT_EQ(rows(csv).at(1).split(',').size(), 5 + 16);

    // Blank and missing answers are not applicable.
    const SurveyResponse blanks{1, utc(0, 0, 0), {"   ", "  B  ", "\n", "A;C"}};
    EXPECT_EQ(CSVExporter::answerValues(&blanks, 6),
              (QStringList{"N/A", "B", "N/A", "A;C", "N/A", "N/A"}));
}

// Quoting, titles and page order in one table: only commas, quotes and line
// feeds are quoted (a lone carriage return is kept), blank titles lose the colon.
TEST(CSVText, ExactLayoutOfASmallTable)
{
    SurveyConfiguration configuration = configurationWith(4);
    const QDateTime berlinMorning(QDate(2026, 3, 1), QTime(15, 5, 9, 999),
                                  QTimeZone("Europe/Berlin"));
    const ScanPage front{QUuid::createUuid(), 1,
                         SurveySide::front,   1,
                         berlinMorning,       QUrl::fromLocalFile("/scans/batch one/front, 1.png")};
    const ScanPage back{QUuid::createUuid(), 1,
                        SurveySide::back,    2,
                        utc(14, 5, 10),      QUrl::fromLocalFile("/scans/batch one/back.png")};
    const SurveyResponse response{1, utc(14, 0, 0), {"Fête", "Said \"no\"", "one\ntwo", "a\rb"}};
    const QString csv = CSVExporter::makeCSV(configuration, {back, front}, {response},
                                             {{2, " Why, really?\n"}, {3, "  \n "}}, true);
    const std::string answers = "Fête,\"Said \"\"no\"\"\",\"one\ntwo\",a\rb";
    EXPECT_EQ(csv.toStdString(),
              "survey_id,side,page_number,captured_at,scan_file,Q1,\"Q2: Why, really?\",Q3,Q4\n"
              "1,Front,1,2026-03-01T14:05:09Z,\"/scans/batch one/front, 1.png\"," +
                  answers +
                  "\n"
                  "1,Back,2,2026-03-01T14:05:10Z,/scans/batch one/back.png," +
                  answers);
}

TEST(CSVText, PagesSortBySurveyThenPageAndCarryTheirSurveysAnswers)
{
    const QList<ScanPage> pages{
        page(2, 1, SurveySide::front, "/a"), page(1, 2, SurveySide::back, "/b"),
        page(1, 1, SurveySide::front, "/c"), page(1, 1, SurveySide::front, "/d"),
        page(3, 4, SurveySide::front, "/e")};
    const QList<SurveyResponse> responses{{2, utc(0, 0, 0), {"B"}}, {1, utc(0, 0, 0), {"A"}}};
    // Ties keep their order; survey 3 has no response.
    EXPECT_EQ(
        rows(CSVExporter::makeCSV(configurationWith(1), pages, responses, {}, false)),
        (QStringList{"1,Front,1,2026-03-01T14:05:09Z,/c,A", "1,Front,1,2026-03-01T14:05:09Z,/d,A",
                     "1,Back,2,2026-03-01T14:05:09Z,/b,A", "2,Front,1,2026-03-01T14:05:09Z,/a,B",
                     "3,Front,4,2026-03-01T14:05:09Z,/e,N/A"}));
    EXPECT_EQ(CSVExporter::makeCSV(configurationWith(1), {}, {}, {}, true),
              "survey_id,side,page_number,captured_at,scan_file,Q1");
}
