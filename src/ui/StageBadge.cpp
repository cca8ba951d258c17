#include "StageBadge.h"

#include <QFileInfo>
#include <QUrl>

Badge::Tone stageTone(ScanStage stage)
{
    switch (stage) {
    case ScanStage::idle:
        return Badge::Tone::neutral;
    case ScanStage::scanning:
    case ScanStage::extracting:
    case ScanStage::waitingForBacks:
        return Badge::Tone::accent;
    case ScanStage::reviewing:
        return Badge::Tone::warning;
    case ScanStage::finished:
        return Badge::Tone::success;
    }
    return Badge::Tone::neutral;
}

QString displayFileName(const QUrl& url)
{
    return url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.fileName();
}
