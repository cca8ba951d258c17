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

    const QJsonDocument document = QJsonDocument::fromJson(reviewItemsJson({item, {}}));
    ASSERT_TRUE(document.isArray());
    ASSERT_EQ(document.array().size(), 2);
    const QJsonObject object = document.array().first().toObject();
    EXPECT_EQ(object.keys(),
              (QStringList{QStringLiteral("confidence"), QStringLiteral("imageFile"),
                           QStringLiteral("pageNumber"), QStringLiteral("prompt"),
                           QStringLiteral("questionNumber"), QStringLiteral("suggestedText"),
                           QStringLiteral("surveyNumber")}));
    EXPECT_EQ(object[QStringLiteral("surveyNumber")].toInt(), 3);
    EXPECT_EQ(object[QStringLiteral("pageNumber")].toInt(), 6);
    EXPECT_EQ(object[QStringLiteral("questionNumber")].toInt(), 11);
    EXPECT_EQ(object[QStringLiteral("prompt")].toString(), item.prompt);
    EXPECT_EQ(object[QStringLiteral("suggestedText")].toString(), item.suggestedText);
    EXPECT_DOUBLE_EQ(object[QStringLiteral("confidence")].toDouble(), 0.61);
    EXPECT_EQ(object[QStringLiteral("imageFile")].toString(),
              QStringLiteral("/tmp/review dir/survey-3-page-6-q-11.png"));
    EXPECT_EQ(QJsonDocument::fromJson(reviewItemsJson({})).array().size(), 0);
}
