#pragma once

#include <QList>

// The colour the operator wants pages scanned in.
enum class ScanColour
{
    grey,
    colour,
};

// Where the pages come from on a device that has more than one source.
enum class ScanSource
{
    // The feeder when the device has one (a survey stack belongs there); a
    // template scan takes the flatbed when the device has one.
    automatic,
    feeder,
    flatbed,
};

// What the operator chose on the Scan screen, set on the device wherever
// its backend offers the option.
struct ScanSettings
{
    int resolution = 300; // dots per inch
    ScanColour colour = ScanColour::grey;
    ScanSource source = ScanSource::automatic;
    // A template scan: one blank form, whose back is asked for on a flatbed.
    bool templateScan = false;

    bool operator==(const ScanSettings&) const = default;
};

// The resolutions the Scan screen offers.
inline QList<int> offeredResolutions()
{
    return {200, 300, 400, 600};
}

// Pages above this resolution are read from a copy scaled down to it.
constexpr int kReadingResolution = 300;
