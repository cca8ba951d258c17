#pragma once

#include "model/SurveyEnums.h"
#include "samples/SampleAnswerSheet.h"
#include "samples/SampleSurveyRenderer.h"

#include <QList>
#include <QString>
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

// A stack of filled-in surveys and the page files that scan them.
struct SampleSet
{
    QList<SampleAnswerSheet> sheets;
    QList<SampleSetPage> pages;
};

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

// The expected answer rows: "survey_id", then Q1...Q14.
QByteArray groundTruthCsv(const SampleSet& set);
