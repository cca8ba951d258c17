#pragma once

#include "model/QuestionReviewItem.h"

#include <QImage>
#include <QString>

// The whole page of a review item as the reader saw it: turned and levelled
// as the item says, so the item's crop rectangle lies where it was cut.
struct ReviewPage
{
    QImage image;
    QString failure; // what went wrong, for the operator; empty when the page is shown
};

// Decodes and turns the page; slow for a full page, so call it off the
// interface thread.
ReviewPage loadReviewPage(const QuestionReviewItem& item);
