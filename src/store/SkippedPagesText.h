#pragma once

#include "reading/SurveyExtractionService.h"

#include <QList>
#include <QString>

// "2 pages could not be read: fronts-3.png (not an image), backs-1.png (...)"
QString skippedPagesText(const QList<SkippedPage>& skipped);
