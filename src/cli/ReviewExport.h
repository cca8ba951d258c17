#pragma once

#include "model/QuestionReviewItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The review list as a JSON array, one object per item: "surveyNumber",
// "pageNumber", "questionNumber", "prompt", "suggestedText", "confidence"
// and "imageFile" (the crop's path).
QByteArray reviewItemsJson(const QList<QuestionReviewItem>& items);

// The folder for the crops of a review file: beside it, named after it
// ("out/review.json" gives "out/review-crops").
QString reviewCropFolderFor(const QString& reviewPath);
