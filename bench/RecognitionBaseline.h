#pragma once

#include <QStringList>

// Seconds per page of one plain recognition pass, `tesseract PAGE -` with
// OpenMP held to one thread, over the files one after another: the yardstick
// the reader's own seconds per page are set against in the same run, so the
// machine's load of the moment cancels out. Negative when the command could
// not be run.
double tesseractSecondsPerPage(const QStringList& files);
