#include "SurveyConfiguration.h"

bool SurveyConfiguration::isValid() const
{
    return !title.trimmed().isEmpty() && questionCount > 0;
}
