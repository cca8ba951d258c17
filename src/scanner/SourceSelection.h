#pragma once

#include <QString>
#include <QStringList>

// What to set on a device before a pass: the "source" value (empty = leave
// the device's current source) and, when the device has one, the boolean
// duplex option to set to `duplex`.
struct SourcePlan
{
    QString source;
    QString duplexOption;
    bool feeder = false;
    bool duplex = false;

    bool operator==(const SourcePlan&) const = default;
};

// True when a device's source list names a document feeder.
bool namesFeeder(const QStringList& sources);

// Chooses the feeder whenever the device has one (a survey stack belongs in
// the feeder), and a duplex source or option only when duplex is wanted and
// the device offers it; otherwise duplex is quietly left off.
SourcePlan planSources(const QStringList& sources, const QStringList& booleanOptions,
                       bool wantDuplex);
