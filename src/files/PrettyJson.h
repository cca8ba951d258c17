#pragma once

#include <QByteArray>
#include <nlohmann/json_fwd.hpp>

// The project file's JSON text: keys in ascending byte order at every level,
// one member per line, two-space indentation, "key" : value, forward slashes
// escaped as \/, non-ASCII text as raw UTF-8, numbers in the shortest form
// that reads back to the same value, empty containers as [] and {}.
// Throws FileError for a number that is not finite.
QByteArray prettyJson(const nlohmann::json& value);

// The shortest decimal text that reads back to the same double; plain
// notation for everyday magnitudes, exponent notation otherwise.
std::string shortestNumberText(double value);
