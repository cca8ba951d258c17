#include "PrettyJson.h"

#include "FileError.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

using nlohmann::json;

namespace {

void appendEscaped(std::string& out, const std::string& text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xf];
                out += hex[c & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void appendValue(std::string& out, const json& value, int indent)
{
    const std::string inner(std::size_t(indent + 2), ' ');
    const std::string outer(std::size_t(indent), ' ');
    switch (value.type()) {
    case json::value_t::object: {
        if (value.empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        bool first = true;
        // Objects are ordered maps, so iteration already gives sorted keys.
        for (const auto& [key, member] : value.items()) {
            if (!first)
                out += ",\n";
            first = false;
            out += inner;
            appendEscaped(out, key);
            out += " : ";
            appendValue(out, member, indent + 2);
        }
        out += '\n' + outer + '}';
        return;
    }
    case json::value_t::array: {
        if (value.empty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (i > 0)
                out += ",\n";
            out += inner;
            appendValue(out, value[i], indent + 2);
        }
        out += '\n' + outer + ']';
        return;
    }
    case json::value_t::string:
        appendEscaped(out, value.get_ref<const std::string&>());
        return;
    case json::value_t::boolean:
        out += value.get<bool>() ? "true" : "false";
        return;
    case json::value_t::number_integer:
        out += std::to_string(value.get<std::int64_t>());
        return;
    case json::value_t::number_unsigned:
        out += std::to_string(value.get<std::uint64_t>());
        return;
    case json::value_t::number_float:
        out += shortestNumberText(value.get<double>());
        return;
    default:
        out += "null";
        return;
    }
}

} // namespace

std::string shortestNumberText(double value)
{
    if (!std::isfinite(value))
        throw FileError(QStringLiteral("The project holds a number that is not finite and "
                                       "cannot be saved."));
    if (value == 0)
        return "0";
    // Shortest round-trip digits in scientific form, e.g. "-7.8654321e+08".
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string scientific(buffer, result.ptr);
    const auto ePos = scientific.find('e');
    const int exponent = std::atoi(scientific.c_str() + ePos + 1);
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i) {
        if (scientific[i] >= '0' && scientific[i] <= '9')
            digits += scientific[i];
    }
    const std::string sign = value < 0 ? "-" : "";
    const int count = int(digits.size());
    const int point = exponent + 1; // digits before the decimal point

    if (exponent < -6 || exponent > 20) {
        std::string text = sign + digits.substr(0, 1);
        if (count > 1)
            text += '.' + digits.substr(1);
        const int magnitude = std::abs(exponent);
        text += exponent < 0 ? "e-" : "e+";
        if (magnitude < 10)
            text += '0';
        return text + std::to_string(magnitude);
    }
    if (point >= count)
        return sign + digits + std::string(std::size_t(point - count), '0');
    if (point > 0)
        return sign + digits.substr(0, std::size_t(point)) + '.' +
               digits.substr(std::size_t(point));
    return sign + "0." + std::string(std::size_t(-point), '0') + digits;
}

QByteArray prettyJson(const json& value)
{
    std::string out;
    appendValue(out, value, 0);
    return QByteArray::fromStdString(out);
}
