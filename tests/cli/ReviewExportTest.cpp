#include "cli/ReviewExport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

TEST(ReviewExport, EachItemBecomesAnObjectWithTheCropPath)
{
    QuestionReviewItem item;
    item.surveyNumber = 3;
    item.pageNumber = 6;
    item.questionNumber = 11;
    item.prompt = QStringLiteral("What skills \"improved\"?");
    item.suggestedText = QStringLiteral("Writing; Learning");
    item.confidence = 0.61;
    item.imageURL = QUrl::fromLocalFile(QStringLiteral("/tmp/review dir/survey-3-page-6-q-11.png"));

    const QJsonArray items = QJsonDocument::fromJson(reviewItemsJson({item})).array();
    EXPECT_EQ(items,
              (QJsonArray{QJsonObject{{"surveyNumber", 3},
                                      {"pageNumber", 6},
                                      {"questionNumber", 11},
                                      {"prompt", item.prompt},
                                      {"suggestedText", item.suggestedText},
                                      {"confidence", 0.61},
                                      {"imageFile", "/tmp/review dir/survey-3-page-6-q-11.png"}}}));
    EXPECT_EQ(QJsonDocument::fromJson(reviewItemsJson({})), QJsonDocument(QJsonArray()));
}
