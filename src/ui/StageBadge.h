#pragma once

#include "Badge.h"
#include "model/SurveyEnums.h"

// The tone a workflow stage is shown in.
Badge::Tone stageTone(ScanStage stage);

// The last path component of a file URL, for "CSV connected at ...".
QString displayFileName(const QUrl& url);
