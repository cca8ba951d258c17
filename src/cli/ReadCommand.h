#pragma once

#include "CliArguments.h"

#include <QTextStream>

// Runs `tallywicket-cli read`: gathers the pages, reads them, writes the CSV
// (to `out` when no file is named), the project file and the review list.
// Problems go to `err`. Returns the exit status: 0, or 1 when an input or
// an output had a problem.
int runReadCommand(const ReadArguments& arguments, QTextStream& out, QTextStream& err);
