#pragma once

#include "ReadingTypes.h"
#include "SurveyExtractionService.h"

#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyTemplateDefinition.h"

#include <QByteArray>
#include <QImage>
#include <QSet>
#include <optional>

class TextRecognizer;

// What every page of one reading shares.
struct ReadingSetup
{
    SurveyTemplateDefinition definition;
    qint64 questionCount = 1; // the effective question count
    double reviewThreshold = 0.92;
    bool includeAll = false;
    // Questions set to be ignored: never read, never reviewed.
    QSet<qint64> ignored;
    int judgeMaxSide =
        850;             // orientation is judged on a copy this large (100 dpi for a letter page)
    CropPlacement crops; // where review crops go
};

// The largest of 1, the template's largest number and every field's number
// (ignored fields included).
qint64 effectiveQuestionCount(const SurveyConfiguration& configuration,
                              const SurveyTemplateDefinition& definition);

ReadingSetup makeReadingSetup(const SurveyConfiguration& configuration, bool includeAll);

// A choice label as one page's reading found it, kept to compare the sheets
// of one print run.
struct LabelPlace
{
    QString label;
    QRectF box;
    bool clean = false;  // read whole and surely: the box is its letters'
    bool marked = false; // read as the answer, or one of them
    QRectF ink = {};     // the pen ink credited to it, when marked
    int inkPixels = 0;   // ink of every kind inside its box

    bool operator==(const LabelPlace&) const = default;
};

// What one region of a page contributes.
struct RegionReading
{
    qint64 questionNumber = 0;
    QString prompt; // the detected question's wording
    QString answer;
    double confidence = 1.0;
    bool needsReview = false;
    QByteArray cropPng;                // the review crop, when a review item is made
    std::optional<QString> reviewNote; // why the item was made, when the reading says
    QRectF cropRect = {};              // the crop's whole pixels on the page as read
    // For choice questions, what other sheets of the same form are compared
    // by (the crop's place is kept even without a review item).
    QRectF promptLine = {}; // its number and wording, when found
    QList<LabelPlace> labels = {};
    double printHeight = 0;
};

// The note of a question whose number was not found where it should stand.
inline const QString questionNotFoundNote = QStringLiteral("Question not found on the page.");
// The note of every question on a page where most numbers were missed.
inline const QString fewNumbersNote =
    QStringLiteral("Few question numbers were found on this page.");

// What one page contributes, or why it was skipped.
struct PageReading
{
    QString skipReason; // empty when the page was read
    QList<RegionReading> regions;
    PageTurn turn = {}; // how the page was turned and levelled for reading
};

// The page's regions read from an image already in its reading orientation.
// Pure apart from the recognizer.
QList<RegionReading> readRegions(const QImage& orientedImage, const ReadingSetup& setup,
                                 TextRecognizer& recognizer);

// The same, from the page's text lines already recognised.
QList<RegionReading> readRegions(const QImage& orientedImage,
                                 const QList<RecognizedTextBlock>& blocks,
                                 const ReadingSetup& setup, TextRecognizer& recognizer);

// The page's text lines as the reader recognises them: on a high-contrast
// copy whose longer side is at most kRecognitionMaxSide (a letter page at
// 200 dpi), with boxes in the image's pixels.
constexpr int kRecognitionMaxSide = 2200;
QList<RecognizedTextBlock> pageText(const QImage& image, TextRecognizer& recognizer);

// Decodes the page file, turns it upright and reads its regions.
PageReading readPage(const ScanPage& page, const ReadingSetup& setup, TextRecognizer& recognizer);
