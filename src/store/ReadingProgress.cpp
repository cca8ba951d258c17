#include "ReadingProgress.h"

#include <algorithm>
#include <cmath>

namespace {
// Enough reads to smooth out two workers finishing at once, few enough to
// follow a change of pace when the feeder stops.
constexpr qsizetype kPaceWindow = 8;
} // namespace

QString scanProgressText(const ReadingProgress& progress)
{
    return QStringLiteral("Scanned %1 · Read %2").arg(progress.scanned).arg(progress.read);
}

QString readingProgressText(const ReadingProgress& progress)
{
    const int total = std::max(progress.total, 0);
    const int read = std::clamp(progress.read, 0, total);
    QString text =
        QStringLiteral("Reading page %1 of %2").arg(std::min(read + 1, total)).arg(total);
    if (progress.secondsLeft && *progress.secondsLeft > 0) {
        const int seconds = *progress.secondsLeft;
        text += seconds < 60 ? QStringLiteral(" · about %1 s left").arg(seconds)
                             : QStringLiteral(" · about %1 min left").arg((seconds + 59) / 60);
    }
    return text;
}

std::optional<int> readingSecondsLeft(const QList<qint64>& times, int pagesLeft)
{
    if (pagesLeft <= 0)
        return 0;
    if (times.size() < 2)
        return std::nullopt;
    // The span starts before the window's first page: workers that finish
    // together would otherwise seem to read in no time at all.
    const QList<qint64> recent = times.mid(std::max<qsizetype>(0, times.size() - kPaceWindow - 1));
    const double span = double(recent.last() - recent.first());
    if (span <= 0)
        return std::nullopt;
    const double perPage = span / double(recent.size() - 1);
    return int(std::ceil(perPage * pagesLeft / 1000.0));
}
