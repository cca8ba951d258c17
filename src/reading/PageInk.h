#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRectF>
#include <memory>

// What one connected piece of ink on the page is.
enum class InkKind
{
    speck, // dust or noise, too small to be a mark
    print, // printed lettering
    rule,  // a printed line or frame to write on or in
    pen,   // everything else: pen or pencil
};

// One 8-connected piece of ink, printed lines taken out.
struct InkPiece
{
    QRect bounds;
    int area = 0; // ink pixels
    InkKind kind = InkKind::pen;
};

// Pixels darker than this on the levelled page are ink.
constexpr int kLevelledInk = 185;

// The page's ink with the paper levelled out, so grey, white and yellowish
// paper and an uneven lamp read alike, and pencil counts as ink.
class PageInk
{
public:
    // An empty map for an image without pixels.
    explicit PageInk(const QImage& image);
    ~PageInk();
    PageInk(const PageInk&) = delete;
    PageInk& operator=(const PageInk&) = delete;

    // Takes out the printed lines (check-box sides, write-in rules, answer
    // boxes: straight runs longer than most letters), so that a tick or
    // cross touching a box, or writing touching a rule, stands on its own;
    // then sorts the remaining pieces: specks by size, print by lying inside
    // one of the recognised words' `printBoxes`, or, for pieces no wider than
    // letters, inside one of the `printLines` (word boxes can stop short of
    // a letter, while a ring round a label lies inside its line), the rest is
    // pen. `printHeight` is the height of ordinary lettering in pixels. A box
    // filled solid is pen, not a line.
    void separate(const QList<QRectF>& printBoxes, const QList<QRectF>& printLines,
                  double printHeight);

    // After separate(): the pieces, and the printed check boxes found among
    // the lines.
    const QList<InkPiece>& pieces() const { return m_pieces; }
    const QList<QRect>& boxes() const { return m_boxes; }
    // Pen pixels inside the rectangle, after separate().
    int penPixelsIn(const QRect& rect) const;
    // Ink pixels of any kind inside the rectangle, at the level separate()
    // sorted the page's ink.
    int inkPixelsIn(const QRect& rect) const;
    // Whether the ink inside `within` closes round most of `label`'s middle
    // band, small gaps in the stroke bridged. A ring's bounds can take in
    // the next line's label where the ring touches its letters; that label
    // is not inside the ring. Print counts too: where a ring touches a
    // label's letters, its arc there can be sorted as their print.
    bool inkEncloses(const QRect& within, const QRectF& label, double printHeight) const;

    // The part `rect` of `grey` (the page this ink was found on, 8-bit) with
    // pen strokes larger than a letter and the lines taken out painted as
    // paper: what a ring drawn round a label leaves for recognition.
    QImage withoutMarks(const QImage& grey, const QRect& rect, double printHeight) const;

    // The part of a recognised word cut off before a label's letters (taken
    // for a mark read as part of the word), and the label's letters.
    struct CutOff
    {
        QRectF part;
        QRectF letters;
    };
    // After separate(): pen pieces in a cut-off part that stand within the
    // band of their label's letters, no wider than a letter, were letters
    // after all (the label was cut too short); they become print.
    void keepLettersAsPrint(const QList<CutOff>& cuts, double printHeight);

    // After separate(): a tick or cross drawn against a label's first letter
    // joins it into one piece, which reaches below the baseline of the
    // label's other letters and is about as wide as it is tall, or stands
    // far taller than print; such a piece at the start of a label becomes
    // pen. Labels whose first letter may descend below the line or stand
    // tall (g, j, p, q, y, J, Q, brackets, slashes) are left alone.
    struct LabelStart
    {
        QRectF box;
        bool mayDescend = false;
        bool narrowFirst = false; // its first letter a stroke: "I", "l", "t"
    };
    void freeMarksJoinedToLabels(const QList<LabelStart>& labels, double printHeight);

    // Ink in the rectangle that is neither print, printed lines nor specks,
    // counting strokes paler than ink elsewhere (pencil pressed lightly):
    // its pixels, the bounds and the longest side of the strokes, each at
    // least half a print height long. After separate().
    struct Strokes
    {
        int pixels = 0;
        QRect bounds;
        int longest = 0;
    };
    // With `leavingPenOut`, strokes beside ink already counted as pen are
    // left out too (a dark ring's pale fringe).
    Strokes paleStrokesIn(const QRect& rect, double printHeight, bool leavingPenOut = false) const;

    // How many rows of the rectangle, top to bottom, ink other than specks
    // reaches, printed lines taken out included; after separate().
    int inkSpanIn(const QRect& rect) const;

    // Printed horizontal rules standing alone: lines to write on.
    const QList<QRect>& rules() const { return m_rules; }
    // Where a ring's flat top and bottom were taken out as lines, from the
    // top's to the bottom's: its arcs left apart at each end are one ring.
    const QList<QRect>& ringFrames() const { return m_ringFrames; }

    // Whether the ink within `rect`, or one piece of it, draws a check box's
    // square: a sign recognition read there may be the printed box rather
    // than a mark.
    bool drawsBoxIn(const QRect& rect) const;

    // The rows of `rect` a line of print fills, where the rest of its ink is
    // no more than a speck or two above or below (recognition can stretch
    // a word's box to take in dust): empty if no such band, or if more ink
    // lies outside it. Before or after separate().
    QRect printBandIn(const QRect& rect, double printHeight) const;

private:
    // separate() at the current ink level.
    void sortInk(const QList<QRectF>& printBoxes, const QList<QRectF>& printLines,
                 double printHeight);
    // Whether the strokes beside the print are mostly paler than ink, after
    // sortInk(): every mark drawn in pencil pressed lightly.
    bool markedInPalePencil(const QList<QRectF>& printBoxes, double printHeight) const;
    // Sorts piece `index` again, keeping the pen map in step.
    void setKind(qsizetype index, InkKind kind);
    // paleStrokesIn(), counting only strokes that meet one of `beside`
    // when given.
    Strokes paleStrokes(const QRect& rect, double printHeight, bool leavingPenOut,
                        const QList<QRectF>* beside) const;

    struct Data;
    std::unique_ptr<Data> m_data;
    QList<InkPiece> m_pieces;
    QList<QRect> m_boxes;
    QList<QRect> m_rules;
    QList<QRect> m_ringFrames;
    int m_inkLevel = kLevelledInk; // pixels darker than this are ink
};

// Inside a printed check box, where no print stands, pixels darker than this.
constexpr int kLightInkInBox = 225;
