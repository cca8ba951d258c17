#pragma once

#include "ScanDeviceLayer.h"
#include "ScanSettings.h"

#include <QString>
#include <QStringList>

// What a value of a device's "source" option means, told by the words
// backends use rather than by a table of exact names.
enum class SourceKind
{
    flatbed,
    feeder,       // one side per sheet
    duplexFeeder, // both sides per sheet
    other,        // transparency units, back-only feeders, ...
};

SourceKind sourceKind(const QString& source);

// True when a device's source list names a document feeder.
bool namesFeeder(const QStringList& sources);
// True when a device's source list names a flatbed.
bool namesFlatbed(const QStringList& sources);

// The source to set before a pass (empty = leave the device's current
// source), and whether it is a feeder and scans both sides by itself.
struct SourcePlan
{
    QString source;
    bool feeder = false;
    bool duplex = false;

    bool operator==(const SourcePlan&) const = default;
};

// Automatic takes the feeder whenever the device has one (a survey stack
// belongs in the feeder) and, for a template scan, the flatbed first. A
// duplex source is taken only when duplex is wanted, and never for one side:
// its backs would be numbered as surveys of their own.
SourcePlan planSources(const QStringList& sources, bool wantDuplex,
                       ScanSource choice = ScanSource::automatic, bool templateScan = false);

// How duplex is switched once the feeder is set: a boolean option ("duplex",
// "scan-both-sides", ...) or a list option such as epson2's "adf-mode"
// ("Simplex" / "Duplex"). Empty `option` when the device has neither.
struct DuplexSwitch
{
    QString option;
    bool isList = false;
    QString listValue = {}; // the value to set for a list option

    bool operator==(const DuplexSwitch&) const = default;
};

// The boolean options and the list options with their values, as the device
// lists them after the source was set.
DuplexSwitch planDuplexSwitch(const QStringList& booleanOptions, const QString& listOption,
                              const QStringList& listValues, bool wantDuplex);

// Names of list options that switch a feeder between one and two sides.
bool namesDuplexList(const QString& option);

// The "mode" value for the wanted colour, by meaning: grey is "Gray",
// "Grayscale", "True Gray", "8bit Gray", ...; colour is "Color",
// "24bit Color", ...; never line art, halftone or binary. Empty when the
// device offers none.
QString chooseMode(const QStringList& modes, ScanColour colour);

// The device's resolution nearest the wanted one, preferring at least the
// wanted one: from a list, the smallest value at or above it, else the
// largest; in a range, the wanted value moved onto the range and its step.
double chooseResolution(const NumberOption& option, int wanted);
