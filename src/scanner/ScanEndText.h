#pragma once

#include "ScannerService.h"

#include <QString>

// What the operator is told when a scan ends before the whole stack was
// scanned: how much was kept and what to do next.

// A one-pass scan that stopped early; its `sheets` were read like any batch.
// "42 sheets were read before the feeder jammed. Clear the jam and press
// Start Scan for the rest."
QString earlyEndText(qsizetype sheets, const ScanEarlyEnd& end);

// Manual two-sided scanning whose backs do not match the fronts; nothing was
// paired or read, and the files stay in `folder`.
// "10 fronts and 6 backs were scanned. Feed the backs again."
QString unpairedSidesText(qsizetype fronts, qsizetype backs, const QString& folder);

// Manual two-sided scanning whose fronts pass stopped early; nothing was read.
QString frontsStoppedText(qsizetype fronts, const ScannerServiceError& error,
                          const QString& folder);

// Automatic duplex that gave one side per sheet (the device could not be
// set to duplex, or an odd count came back); nothing was paired or read.
// "Duplex was asked for, but the scanner returned one side per sheet (37
// pages). Turn duplex off or check the driver, then scan again."
QString duplexOneSidedText(qsizetype pages, const QString& folder);
