#include "store/ReadingProgress.h"

#include <gtest/gtest.h>

TEST(ReadingProgress, TimeLeftFollowsThePaceOfTheLastPages)
{
    struct Case
    {
        const char* name;
        QList<qint64> readTimes;
        int pagesLeft;
        std::optional<int> seconds;
    };
    const Case cases[] = {
        {"nothing left", {}, 0, 0},
        {"nothing read yet", {0}, 5, std::nullopt},
        {"half a second a page", {0, 500, 1000}, 5, 3},
        // Two workers finish together: the pace counts from the start.
        {"pages that finished together", {0, 3000, 3000}, 10, 15},
        // A slow start while the feeder set the pace is forgotten.
        {"the last eight pages only",
         {0, 10000, 20000, 20500, 21000, 21500, 22000, 22500, 23000, 23500, 24000},
         10,
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readingSecondsLeft(c.readTimes, c.pagesLeft), c.seconds);
    }
}

TEST(ReadingProgress, TextsForTheFeederAndTheReading)
{
    EXPECT_EQ(scanProgressText({.scanned = 57, .read = 52, .total = 57}),
              QStringLiteral("Scanned 57 · Read 52"));
    const std::pair<ReadingProgress, const char*> reading[] = {
        {{.scanned = 100, .read = 52, .total = 100, .secondsLeft = 24},
         "Reading page 53 of 100 · about 24 s left"},
        {{.scanned = 100, .read = 10, .total = 100, .secondsLeft = 61},
         "Reading page 11 of 100 · about 2 min left"},
        {{.scanned = 100, .read = 1, .total = 100}, "Reading page 2 of 100"},
        {{.scanned = 100, .read = 100, .total = 100, .secondsLeft = 0}, "Reading page 100 of 100"},
    };
    for (const auto& [progress, text] : reading)
        EXPECT_EQ(readingProgressText(progress), QString::fromUtf8(text));
}
