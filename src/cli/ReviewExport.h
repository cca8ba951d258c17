#pragma once

#include "model/QuestionReviewItem.h"

#include <QByteArray>
#include <QList>

// The review list as a JSON array, one object per item: "surveyNumber",
// "pageNumber", "questionNumber", "prompt", "suggestedText", "confidence"
// and "imageFile" (the crop's path).
QByteArray reviewItemsJson(const QList<QuestionReviewItem>& items);
