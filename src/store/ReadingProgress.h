#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

// How far a batch has come while it is scanned and read.
struct ReadingProgress
{
    int scanned = 0; // pages the scanner delivered in this batch
    int read = 0;    // pages read
    // Pages to read: those delivered while the feeder runs, the batch's
    // pages once it has stopped.
    int total = 0;
    // Reading time left at the pace of the last pages, once one was read.
    std::optional<int> secondsLeft = {};

    bool operator==(const ReadingProgress&) const = default;
};
Q_DECLARE_METATYPE(ReadingProgress)

// While the feeder runs: "Scanned 57 · Read 52".
QString scanProgressText(const ReadingProgress& progress);

// Once it has stopped: "Reading page 53 of 100 · about 40 s left".
QString readingProgressText(const ReadingProgress& progress);

// Whole seconds (rounded up) to read `pagesLeft` more pages at the pace of
// the last few pages, given when the reading began and then when each page
// was read (milliseconds on one clock, in order). Nothing before a page was
// read; 0 with none left.
std::optional<int> readingSecondsLeft(const QList<qint64>& times, int pagesLeft);
