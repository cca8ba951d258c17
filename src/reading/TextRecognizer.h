#pragma once

#include "ReadingTypes.h"

#include <QImage>
#include <memory>
#include <optional>

// Text lines of an image through Tesseract's English model.
//
// A Tesseract instance is costly to start and must stay on one thread, so
// each thread keeps its own (forThisThread) for its whole life. Tesseract
// parallelises with OpenMP; parallel page workers would fight over the cores,
// so every thread that recognises text first limits its OpenMP teams to one
// thread (the same effect as OMP_THREAD_LIMIT=1, which libgomp reads only
// when it loads, before any code of ours runs).
class TextRecognizer
{
public:
    TextRecognizer();
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer&) = delete;
    TextRecognizer& operator=(const TextRecognizer&) = delete;

    // The calling thread's instance, made on first use.
    static TextRecognizer& forThisThread();

    // False when the English model could not be loaded.
    bool isReady() const;

    // The image's text lines in Tesseract's order: text without the line
    // break, confidence 0...1, pixel box. Words that Tesseract puts on one line
    // but that stand far apart (options spread across a row) are separate
    // lines, as they are separate pieces of print. Empty on any failure.
    //
    // uprightLines leaves out the lines Tesseract's layout analysis finds
    // turned or running downwards. Judging a page's turn needs that: Tesseract
    // reads a page fed sideways as vertical text, as well as the upright one.
    // Reading keeps all lines, since a lone column of question numbers can
    // also be taken for vertical text.
    enum class TextScope
    {
        allLines,
        uprightLines,
        // Words scattered over a small area (a question's labels cut out of
        // the page): layout analysis finds no text block among so few.
        scatteredWords
    };
    QList<RecognizedTextBlock> recognizeText(const QImage& image,
                                             TextScope scope = TextScope::allLines);

    // All the image's lines as recognizeText gives them, or nothing when
    // layout analysis alone shows the print standing upside down: letters
    // reach below their line far more often than above it, while English
    // print has several times more ascenders than descenders. Such a page
    // is better recognised turned over first, saving a wasted pass.
    std::optional<QList<RecognizedTextBlock>> recognizeTextUnlessUpsideDown(const QImage& image);

    // The text of an image holding one line of print (a label cut out of
    // the page); empty on any failure.
    QString recognizeLine(const QImage& image);

private:
    std::optional<QList<RecognizedTextBlock>> recognize(const QImage& image, TextScope scope,
                                                        bool unlessUpsideDown);

    struct Engine;
    std::unique_ptr<Engine> m_engine;
};

// One recognised word.
using RecognizedWord = RecognizedTextBlock;

// The words as the words of a line.
QList<TextWord> textWords(const QList<RecognizedWord>& words);

// The words joined with single spaces.
QString joinedText(const QList<RecognizedWord>& words);

// A printed check box that Tesseract read as a word ("[_]", "L]", "M" for a
// ticked box): up to three characters that hold a symbol or stand square
// and clearly taller than the tallest word after it on the line.
// Question numbers and words starting with a digit never are.
bool looksLikeBoxGlyph(const RecognizedWord& word, double followingTextHeight);

// A line cut where the gap between two words is wider than 1.2 line heights,
// and after a leading box glyph, so each label gets the box of its own
// letters (as a recogniser that ignores check boxes would give); each piece
// gets its words' box and mean confidence. A line without a cut is returned
// as it is.
QList<RecognizedTextBlock> splitAtWideGaps(const RecognizedTextBlock& line,
                                           const QList<RecognizedWord>& words);

// A word's text with Tesseract's known misreadings of print mended: a bar
// as narrow as a letter stroke is the capital I; an opening quote that no
// quote closes (a speck before the word) is dropped.
QString mendedWordText(const QString& text, int width, int height);

// A piece of a line cut to the height of the line's ordinary words, sitting
// on the baseline, when it stands more than a quarter taller: a pen stroke
// touching the letters (a tick's tail, a ring) must not make a label look
// taller than its print, since the check box is sought by the label's height.
QRectF trimmedToTextRow(const QRectF& box, double baseline, double typicalHeight,
                        double typicalBottomOffset);

// A line's text with a comma read for the point after a leading question
// number ("7, How did you" becomes "7. How did you").
QString mendedLineStart(const QString& text);

// Lines that Tesseract broke apart although they stand on one row a word
// space apart ("No," and "I plan to pursue a career in") joined again, in
// order; box glyphs and single characters are never joined.
QList<RecognizedTextBlock> joinedRowNeighbours(const QList<RecognizedTextBlock>& blocks);

// The folder of the English model.
QString tessdataPath();
