#include "QuestionReviewItem.h"

QString QuestionReviewItem::displayTitle() const
{
    return QStringLiteral("Survey %1, Q%2").arg(surveyNumber).arg(questionNumber);
}
