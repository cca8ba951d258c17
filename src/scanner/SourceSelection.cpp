#include "SourceSelection.h"

namespace {

// Backends name the same units differently. Seen in the wild:
//   feeder, one side:  "ADF" (epson2, genesys), "ADF Front" (fujitsu,
//                      canon_dr), "Automatic Document Feeder" (test, hpaio,
//                      epsonds), "ADF Simplex" (avision), "Document Feeder".
//   feeder, two sides: "ADF Duplex" (fujitsu, canon_dr, brother, avision),
//                      "Duplex" (hpaio, kodak), "Automatic Document Feeder
//                      (duplex)" / "ADF Duplex Front" variants.
// Matching is on whole names, ignoring case, so "ADF" never picks
// "ADF Front" or "ADF Duplex" by prefix.
const QStringList kSimplexFeederSources = {
    QStringLiteral("ADF"),
    QStringLiteral("Automatic Document Feeder"),
    QStringLiteral("ADF Front"),
    QStringLiteral("ADF Simplex"),
    QStringLiteral("Document Feeder"),
    QStringLiteral("Feeder"),
};
const QStringList kDuplexFeederSources = {
    QStringLiteral("ADF Duplex"),
    QStringLiteral("Duplex"),
    QStringLiteral("Automatic Document Feeder (duplex)"),
    QStringLiteral("Automatic Document Feeder Duplex"),
    QStringLiteral("ADF Duplex Front"),
};
// Backends that keep one feeder source and switch duplex with a boolean
// option (epson2 "adf-mode" is a list, not a boolean, so it is not here).
const QStringList kDuplexOptions = {
    QStringLiteral("duplex"),
    QStringLiteral("scan-both-sides"),
};

QString firstListed(const QStringList& wanted, const QStringList& offered)
{
    for (const QString& name : wanted)
        for (const QString& source : offered)
            if (source.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return source;
    return {};
}

} // namespace

bool namesFeeder(const QStringList& sources)
{
    return !firstListed(kSimplexFeederSources, sources).isEmpty() ||
           !firstListed(kDuplexFeederSources, sources).isEmpty();
}

SourcePlan planSources(const QStringList& sources, const QStringList& booleanOptions,
                       bool wantDuplex)
{
    SourcePlan plan;
    if (wantDuplex) {
        plan.source = firstListed(kDuplexFeederSources, sources);
        if (!plan.source.isEmpty()) {
            plan.feeder = plan.duplex = true;
            return plan;
        }
    }
    // A duplex-only source is never taken for one side: its backs would be
    // numbered as surveys of their own.
    plan.source = firstListed(kSimplexFeederSources, sources);
    plan.feeder = !plan.source.isEmpty();
    if (plan.feeder) {
        // Set the option either way: a device may still have duplex on from
        // an earlier session.
        plan.duplexOption = firstListed(kDuplexOptions, booleanOptions);
        plan.duplex = wantDuplex && !plan.duplexOption.isEmpty();
    }
    return plan;
}
