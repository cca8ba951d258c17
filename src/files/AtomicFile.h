#pragma once

#include <QByteArray>
#include <QString>

// Writes the bytes to a temporary file beside the target and then replaces
// the target, so that a reader never sees a half-written file. Every byte is
// flushed and the file's size checked before it replaces the target: a full
// disk is an error, and the earlier file stays as it was. Missing folders on
// the way are created first. A symbolic link is followed, so the file it
// points to is replaced; a path naming something other than a regular file
// (a device, a FIFO, /dev/stdout) is written directly, never replaced.
// Throws FileError naming the path.
void writeFileAtomically(const QString& filePath, const QByteArray& bytes);

// The file a path names once symbolic links are followed, even when the last
// link dangles; the path itself when it is no link.
QString followedLinks(const QString& filePath);

// True when the path names something that exists and is neither a regular
// file nor a folder (a device, a FIFO, a socket), links followed.
bool isSpecialFile(const QString& filePath);
