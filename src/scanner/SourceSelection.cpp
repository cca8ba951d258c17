#include "SourceSelection.h"

#include <QRegularExpression>
#include <cmath>

namespace {

// Words backends use. Seen in the wild: "ADF", "ADF Front", "ADF Duplex",
// "ADF Back" (fujitsu, canon_dr), "Automatic Document Feeder" (test, hpaio),
// "Automatic Document Feeder (duplex)", "Duplex" (hpaio, kodak), "Document
// Table" (epson flatbed), "Flatbed", "Platen", "Transparency Adapter".
bool hasWord(const QString& text, const char* pattern)
{
    const QRegularExpression word(QString::fromLatin1(pattern),
                                  QRegularExpression::CaseInsensitiveOption);
    return word.match(text).hasMatch();
}

bool meansDuplex(const QString& text)
{
    return hasWord(text, R"(duplex|both[ -_]?sides|two[ -_]?sided|2[ -_]?sided)");
}

QString firstOfKind(const QStringList& sources, SourceKind kind)
{
    for (const QString& source : sources)
        if (sourceKind(source) == kind)
            return source;
    return {};
}

} // namespace

SourceKind sourceKind(const QString& source)
{
    if (meansDuplex(source))
        return SourceKind::duplexFeeder;
    if (hasWord(source, R"(\b(flatbed|platen|glass|table)\b)"))
        return SourceKind::flatbed;
    // A feeder that scans only the backs is no source for surveys.
    if (hasWord(source, R"(\bback\b|\brear\b)"))
        return SourceKind::other;
    if (hasWord(source, R"(\badf\b|feeder|\bdocument\b|sheet[ -]?fed)"))
        return SourceKind::feeder;
    return SourceKind::other;
}

bool namesFeeder(const QStringList& sources)
{
    return std::any_of(sources.begin(), sources.end(), [](const QString& source) {
        const SourceKind kind = sourceKind(source);
        return kind == SourceKind::feeder || kind == SourceKind::duplexFeeder;
    });
}

bool namesFlatbed(const QStringList& sources)
{
    return !firstOfKind(sources, SourceKind::flatbed).isEmpty();
}

SourcePlan planSources(const QStringList& sources, bool wantDuplex, ScanSource choice,
                       bool templateScan)
{
    SourcePlan plan;
    const bool flatbedFirst =
        choice == ScanSource::flatbed || (choice == ScanSource::automatic && templateScan);
    if (flatbedFirst) {
        plan.source = firstOfKind(sources, SourceKind::flatbed);
        if (!plan.source.isEmpty())
            return plan;
    }
    if (wantDuplex) {
        plan.source = firstOfKind(sources, SourceKind::duplexFeeder);
        if (!plan.source.isEmpty()) {
            plan.feeder = plan.duplex = true;
            return plan;
        }
    }
    plan.source = firstOfKind(sources, SourceKind::feeder);
    plan.feeder = !plan.source.isEmpty();
    return plan;
}

bool namesDuplexList(const QString& option)
{
    return hasWord(option, R"(adf[-_ ]?mode|duplex)");
}

DuplexSwitch planDuplexSwitch(const QStringList& booleanOptions, const QString& listOption,
                              const QStringList& listValues, bool wantDuplex)
{
    DuplexSwitch plan;
    for (const QString& option : booleanOptions)
        if (meansDuplex(option)) {
            plan.option = option;
            return plan;
        }
    if (listOption.isEmpty())
        return plan;
    for (const QString& value : listValues) {
        const bool duplexValue = meansDuplex(value);
        if (duplexValue == wantDuplex) {
            plan.option = listOption;
            plan.isList = true;
            plan.listValue = value;
            return plan;
        }
    }
    return plan;
}

QString chooseMode(const QStringList& modes, ScanColour colour)
{
    const char* pattern = colour == ScanColour::grey ? R"(gr[ae]y)" : R"(colou?r)";
    const char* never = R"(line ?art|halftone|binary|black|dither)";
    QString chosen;
    for (const QString& mode : modes) {
        if (!hasWord(mode, pattern) || hasWord(mode, never))
            continue;
        // 8-bit grey and 24-bit colour are what the reader takes; deeper
        // variants only if nothing else is offered.
        if (hasWord(mode, R"(16|48)")) {
            if (chosen.isEmpty())
                chosen = mode;
            continue;
        }
        return mode;
    }
    return chosen;
}

double chooseResolution(const NumberOption& option, int wanted)
{
    if (!option.values.isEmpty()) {
        double best = -1;
        double largest = option.values.first();
        for (double value : option.values) {
            largest = std::max(largest, value);
            if (value >= wanted && (best < 0 || value < best))
                best = value;
        }
        return best < 0 ? largest : best;
    }
    double value = std::clamp(double(wanted), option.min, std::max(option.min, option.max));
    if (option.step > 0) {
        value = option.min + std::ceil((value - option.min) / option.step - 1e-9) * option.step;
        if (value > option.max)
            value -= option.step;
    }
    return value;
}
