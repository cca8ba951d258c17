#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes to a temporary file beside the target and then replaces
// the target, so that a reader never sees a half-written file. Missing
// folders on the way are created first. Throws FileError.
void writeFileAtomically(const QString& filePath, const QByteArray& bytes);
