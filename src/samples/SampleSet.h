#pragma once

#include "model/SurveyEnums.h"
#include "samples/SampleAnswerSheet.h"
#include "samples/SampleSurveyRenderer.h"

#include <QList>
#include <QString>
#include <optional>
#include <stdexcept>

// One page file of a generated stack.
struct SampleSetPage
{
    QString fileName;
    qint64 surveyNumber = 1;
    SurveySide side = SurveySide::front;
    SampleRenderOptions options;
};

// The order the sides of a stack come out of the scanner.
enum class SampleStackOrder
{
    singleSided, // fronts only
    duplex,      // front, back, front, back, ...
    manual,      // all fronts, then all backs
};

// What a generated stack varies.
enum class SampleStackKind
{
    classic, // the classic form throughout, as the demo stack
    mixed,   // every survey printed differently, by any respondent
    oneForm, // one print run: only pens, marks and scan effects vary
};

// A stack of filled-in surveys and the page files that scan them.
struct SampleSet
{
    SampleStackKind kind = SampleStackKind::classic;
    QList<SampleAnswerSheet> sheets;
    QList<SampleSetPage> pages;
};

// How a survey of the stack was printed: the render options of its first page.
SampleRenderOptions surveyPrint(const SampleSet& set, qint64 surveyNumber);

QString stackKindName(SampleStackKind kind);
std::optional<SampleStackKind> stackKindNamed(const QString& name);

// A stack to generate.
struct SampleStackRequest
{
    SampleStackKind kind = SampleStackKind::mixed;
    int surveyCount = 40;
    quint32 seed = 1;
    // 0: mixed stacks print each survey at 200 or 300 dpi, a one-form stack
    // picks one for the run (classic stacks take 300).
    double dpi = 0;
    // Scan effects: skew to 1.5 degrees, turned pages, paper tone, uneven
    // lamp, blur, noise, specks, colour or grey, JPEG at 60-85, doodles.
    bool degraded = true;
    SampleStackOrder order = SampleStackOrder::duplex;
};

// The stack the request describes; equal requests give equal stacks.
SampleSet makeSampleStack(const SampleStackRequest& request);

// Surveys 1...count with random answers from `seed`. Degraded stacks get
// skew, noise, JPEG pages and pages fed upside down or sideways.
SampleSet makeSampleSet(int surveyCount, quint32 seed, double dpi, bool degraded,
                        SampleStackOrder order);

// A file that could not be written, with the operator-facing reason.
class SampleWriteError : public std::runtime_error
{
public:
    explicit SampleWriteError(const QString& description)
        : std::runtime_error(description.toStdString())
    {
    }
};

// Renders every page into `folder` (made when missing) and writes
// ground-truth.json and ground-truth.csv beside them. Returns the page
// paths in stack order. Throws SampleWriteError.
QStringList writeSampleSet(const SampleSet& set, const QString& folder);

// The ground truth as JSON text: the stack's pages and each survey's
// expected answers and how it was filled in.
QByteArray groundTruthJson(const SampleSet& set);

// The expected answer rows: "survey_id", then Q1...Q14, then how each
// question was marked ("Q1 mark"...).
QByteArray groundTruthCsv(const SampleSet& set);
