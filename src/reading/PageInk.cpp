#include "PageInk.h"
#include "PageInkData.h"

#include "BoxAlignment.h"
#include "GrayscaleImageSampler.h"
#include "InkRunPieces.h"
#include "InkShapes.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {
// Where a page is marked in pencil pressed lightly, pixels darker than this
// are ink.
constexpr int kPencilInk = 205;

// The page's luminance, white where it is transparent.
cv::Mat greyMat(const QImage& image)
{
    const std::optional<GrayscaleImageSampler> grey = GrayscaleImageSampler::fromImage(image);
    if (!grey)
        return {};
    return cv::Mat(int(grey->height), int(grey->width), CV_8U,
                   const_cast<char*>(grey->pixels.constData()))
        .clone();
}

// Paper brightness everywhere: the page with its ink closed over, smoothed.
// Worked on a quarter-size copy, since paper changes slowly.
cv::Mat paperLevel(const cv::Mat& grey)
{
    cv::Mat small;
    cv::resize(grey, small, cv::Size(), 0.25, 0.25, cv::INTER_AREA);
    // Wider than a filled check box or a bold letter at 300 dpi.
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(17, 17));
    cv::dilate(small, small, kernel);
    cv::blur(small, small, cv::Size(9, 9));
    cv::Mat level;
    cv::resize(small, level, grey.size(), 0, 0, cv::INTER_LINEAR);
    return level;
}
// Words recognition read inside a wider one: a letter read again as a word
// of its own (one word with its own, `outer` leaves it out), or the words
// of a label read again as a whole.
struct WordNesting
{
    QList<QRectF> outer;
    QList<QRectF> nested;
};

WordNesting wordNesting(const QList<QRectF>& words, double h)
{
    WordNesting nesting;
    for (const QRectF& p : words) {
        const bool nested = std::any_of(words.begin(), words.end(), [&](const QRectF& q) {
            const QRectF overlap = q.intersected(p);
            return q.width() >= 2 * p.width() &&
                   overlap.width() * overlap.height() >= 0.6 * p.width() * p.height();
        });
        if (nested)
            nesting.nested.append(p);
        if (!nested || p.width() > h)
            nesting.outer.append(p);
    }
    return nesting;
}
} // namespace

PageInk::PageInk(const QImage& image) : m_data(std::make_unique<Data>())
{
    if (image.isNull() || image.width() < 8 || image.height() < 8)
        return;
    const cv::Mat grey = greyMat(image);
    if (grey.empty())
        return;
    const cv::Mat level = paperLevel(grey);
    cv::divide(grey, level, m_data->levelled, 255.0, CV_8U);
}

PageInk::~PageInk() = default;

void PageInk::separate(const QList<QRectF>& printBoxes, const QList<QRectF>& printLines,
                       double printHeight)
{
    m_inkLevel = kLevelledInk;
    sortInk(printBoxes, printLines, printHeight);
    // Pencil pressed lightly can draw every mark on a page paler than ink:
    // the page's ink is then sorted again at a lighter level.
    if (markedInPalePencil(printBoxes, printHeight)) {
        m_inkLevel = kPencilInk;
        sortInk(printBoxes, printLines, printHeight);
    }
}

void PageInk::sortInk(const QList<QRectF>& printBoxes, const QList<QRectF>& printLines,
                      double printHeight)
{
    m_pieces.clear();
    m_boxes.clear();
    m_rules.clear();
    m_ringFrames.clear();
    if (m_data->levelled.empty())
        return;
    const double h = std::max(6.0, printHeight);
    // An "O", "D" or bold "n" inside a word can draw a square too; a check
    // box stands apart from the words, or at most starts one (recognition
    // can read the box as part of its label). A word beginning well inside
    // the square began with a label printed flush against a box: a
    // letter's square starts where its word does.
    const auto insideWord = [&](const QRect& square) {
        const QRectF s(square);
        return std::any_of(printBoxes.begin(), printBoxes.end(), [&](const QRectF& p) {
            const QRectF overlap = p.intersected(s);
            return (p.width() >= 2 * s.width() || p.left() <= s.left() - 0.25 * h) &&
                   p.left() <= s.left() + 0.1 * s.width() &&
                   overlap.width() * overlap.height() >= 0.6 * s.width() * s.height();
        });
    };
    const auto startsWord = [&](const QRect& square) {
        const QRectF s(square);
        return std::any_of(printBoxes.begin(), printBoxes.end(), [&](const QRectF& p) {
            const QRectF overlap = p.intersected(s);
            return std::abs(p.left() - s.left()) <= 0.2 * h &&
                   overlap.width() * overlap.height() >= 0.6 * s.width() * s.height();
        });
    };
    // A ring drawn tight round a short label can look as square as a check
    // box; a box never holds a word of several letters (the box itself can
    // be read as one, as tall as the box).
    const auto holdsWord = [&](const QRect& square) {
        const QRectF s(square);
        return std::any_of(printBoxes.begin(), printBoxes.end(), [&](const QRectF& p) {
            const QRectF overlap = p.intersected(s);
            return p.width() >= 1.2 * h && p.height() <= 0.8 * s.height() &&
                   overlap.width() * overlap.height() >= 0.6 * p.width() * p.height();
        });
    };
    // Two check boxes never stand side by side: a square just after a box
    // is its label's first letters ("It" in bold).
    const auto afterBox = [&](const QRect& square) {
        return std::any_of(m_boxes.begin(), m_boxes.end(), [&](const QRect& b) {
            return b.right() < square.left() && square.left() - b.right() <= 0.6 * h &&
                   b.top() <= square.center().y() && b.bottom() >= square.center().y();
        });
    };
    cv::Mat ink;
    cv::threshold(m_data->levelled, ink, m_inkLevel - 1, 255, cv::THRESH_BINARY_INV);

    // Recognition can read a ring drawn tight round a short label as one
    // word as tall as the ring: the ring is no box when letters stand
    // inside it.
    const auto holdsLetters = [&](const QRect& square) {
        const int band = std::max(3, int(std::lround(0.15 * square.width())));
        const cv::Rect inside = cv::Rect(square.x() + band, square.y() + band,
                                         square.width() - 2 * band, square.height() - 2 * band) &
                                cv::Rect(0, 0, ink.cols, ink.rows);
        return !inside.empty() && lettersSideBySide(ink(inside), h);
    };

    // Straight runs longer than a letter's stem.
    const int run = std::max(8, int(std::lround(0.9 * h)));
    const cv::Mat across = openedAcross(ink, run), down = openedDown(ink, run);
    const cv::Mat lines = across | down;
    cv::Mat sides = cv::Mat::zeros(ink.size(), CV_8U);
    // Long straight rules, found also with writing or a ring touching them,
    // and taken out so that the writing or ring stands on its own.
    {
        const cv::Mat rules = openedAcross(ink, std::max(16, int(3 * h)));
        const InkRunPieces pieces(rules);
        QList<std::pair<int, cv::Rect>> stretches;
        for (int i = 1; i < pieces.count(); ++i) {
            const cv::Rect& r = pieces.bounds(i);
            if (r.width >= 3 * h && r.height <= 0.35 * h + 3)
                stretches.append({i, r});
        }
        // A ring drawn tight round a label, its letters touching it, has a
        // flat top and bottom of about the label's length one above the
        // other; a rule to write on stands alone.
        const auto ringTopOrBottom = [&](const cv::Rect& r) {
            return r.width <= 12 * h &&
                   std::any_of(stretches.begin(), stretches.end(), [&](const auto& other) {
                       const cv::Rect& o = other.second;
                       const int overlap =
                           std::min(r.x + r.width, o.x + o.width) - std::max(r.x, o.x);
                       const int apart = std::abs(o.y - r.y);
                       return o != r && o.width <= 12 * h && apart >= 1.2 * h && apart <= 4 * h &&
                              overlap >= 0.6 * std::min(r.width, o.width) &&
                              std::min(r.width, o.width) >= 0.6 * std::max(r.width, o.width);
                   });
        };
        // A rule to write on ends where its line ends; a ring's flat side
        // curves away up or down at each end.
        const auto turnsAtBothEnds = [&](const cv::Rect& r) {
            const int reach = std::max(3, int(std::lround(0.7 * h)));
            const int side = std::max(2, int(std::lround(0.3 * h)));
            const auto turns = [&](int x) {
                for (const int y : {r.y - reach - 1, r.y + r.height + 1}) {
                    const cv::Rect band =
                        cv::Rect(x - side, y, 2 * side, reach) & cv::Rect(0, 0, ink.cols, ink.rows);
                    if (band.area() > 0 && cv::countNonZero(ink(band)) >= 0.5 * reach)
                        return true;
                }
                return false;
            };
            return turns(r.x) && turns(r.x + r.width - 1);
        };
        // Bold print blurred runs its letters together along the line's
        // middle; a rule or a ring's side never passes through the middle
        // of a word of print height.
        const auto throughWord = [&](const cv::Rect& r) {
            return std::any_of(printBoxes.begin(), printBoxes.end(), [&](const QRectF& p) {
                return p.height() <= 1.4 * h && r.x >= p.left() - 0.6 * h &&
                       r.x + r.width <= p.right() + 0.6 * h && r.y >= p.top() + 0.25 * p.height() &&
                       r.y + r.height <= p.bottom() - 0.25 * p.height();
            });
        };
        QList<cv::Rect> flatSides;
        for (const auto& [i, r] : stretches) {
            if (ringStretch(ink, r, h) || throughWord(r))
                continue;
            // Taken out all the same, which keeps two rings drawn one above
            // the other apart, but nobody writes on it.
            if (ringTopOrBottom(r))
                flatSides.append(r);
            else if (!turnsAtBothEnds(r))
                m_rules.append(QRect(r.x, r.y, r.width, r.height));
            sides(r).setTo(255, pieces.mask(i, r));
        }
        // A ring's top and bottom, each the nearest below the other and both
        // turning at their ends: what lies between them is one ring's.
        for (const cv::Rect& top : flatSides) {
            const cv::Rect* bottom = nullptr;
            for (const cv::Rect& other : flatSides) {
                const int overlap =
                    std::min(top.x + top.width, other.x + other.width) - std::max(top.x, other.x);
                if (other.y >= top.y + 1.2 * h && other.y <= top.y + 4 * h &&
                    overlap >= 0.6 * std::min(top.width, other.width) &&
                    (!bottom || other.y < bottom->y))
                    bottom = &other;
            }
            if (bottom && turnsAtBothEnds(top) && turnsAtBothEnds(*bottom)) {
                const cv::Rect ring = top | *bottom;
                m_ringFrames.append(QRect(ring.x, ring.y, ring.width, ring.height));
            }
        }
    }
    QList<QRect> straightBoxes;
    // Squares that begin a word, kept until every box standing apart is
    // found; those found to be check boxes after all.
    struct WordStartCandidate
    {
        QRect square;
        cv::Rect within;
        cv::Mat sides;
        bool straight = false;
    };
    QList<WordStartCandidate> wordStartCandidates;
    QList<QRect> boxesReadIntoWords;
    const auto boxSized = [&](const cv::Rect& r) {
        return r.height >= 0.7 * h && r.height <= 2.8 * h && r.width >= 0.7 * h &&
               r.width <= 2.8 * h;
    };
    const auto addStraightBox = [&](const cv::Mat& own, const cv::Rect& r) {
        const QRect found = outlineInMask(own, true);
        const QRect square = found.translated(r.x, r.y);
        if (found.isEmpty() || holdsWord(square) || afterBox(square) || holdsLetters(square))
            return;
        if (insideWord(square)) {
            if (startsWord(square))
                wordStartCandidates.append({square, r, own.clone(), true});
            return;
        }
        m_boxes.append(square);
        straightBoxes.append(square);
        sides(r).setTo(255, own);
    };
    // Check boxes' sides are taken out; of other straight runs only long
    // rules, since a shorter one may be the flat top of a ring.
    const InkRunPieces linePieces(lines);
    for (int i = 1; i < linePieces.count(); ++i) {
        const cv::Rect r = linePieces.bounds(i);
        const int area = linePieces.area(i);
        // A block of ink solid all through is a filled box: pen, not a line.
        if (area >= 0.45 * r.area())
            continue;
        if (boxSized(r)) {
            addStraightBox(linePieces.mask(i, r), r);
            continue;
        }
        // Boxes one above the other join where a tick or cross bridges the
        // gap between them.
        if (r.width < 0.7 * h || r.width > 2.8 * h || r.height > 8 * h)
            continue;
        const cv::Mat own = linePieces.mask(i, r);
        for (const auto& [top, bottom] : stackedParts(own, h)) {
            const cv::Rect band(r.x, r.y + top, r.width, bottom - top);
            if (boxSized(band))
                addStraightBox(own(cv::Rect(0, top, r.width, bottom - top)), band);
        }
    }
    // The band a box's outline covers, in a mask the size of `within`.
    const auto outlineBand = [](const cv::Rect& within, const QRect& square) {
        const int band = std::max(3, int(std::lround(0.18 * square.width())));
        const cv::Rect at(square.x() - within.x, square.y() - within.y, square.width(),
                          square.height());
        cv::Mat ring = cv::Mat::zeros(within.size(), CV_8U);
        cv::rectangle(ring, cv::Rect(at.x - 2, at.y - 2, at.width + 4, at.height + 4), 255,
                      cv::FILLED);
        const cv::Rect inner(at.x + band, at.y + band, at.width - 2 * band, at.height - 2 * band);
        if (inner.width > 0 && inner.height > 0)
            cv::rectangle(ring, inner, 0, cv::FILLED);
        return ring;
    };
    // Boxes found whole among the ink (rounded corners break their sides
    // apart as lines): their outline band is taken out.
    {
        // Closed over small gaps: a faint outline breaks apart at its
        // rounded corners.
        cv::Mat closed;
        cv::dilate(ink, closed, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
        const InkRunPieces pieces(closed);
        for (int i = 1; i < pieces.count(); ++i) {
            const cv::Rect r = pieces.bounds(i);
            if (r.height < 0.7 * h || r.height > 4.5 * h || r.width < 0.7 * h || r.width > 4.5 * h)
                continue;
            const cv::Mat own = pieces.mask(i, r);
            const QRect found = outlineInMask(own, true);
            if (found.isEmpty() || found.height() < 0.7 * h || found.height() > 2.8 * h)
                continue;
            const QRect square = found.translated(r.x, r.y);
            if (holdsWord(square) || afterBox(square) || holdsLetters(square) ||
                std::any_of(m_boxes.begin(), m_boxes.end(),
                            [&](const QRect& b) { return b.intersects(square); }))
                continue;
            const bool startingWord = insideWord(square);
            if (startingWord && !startsWord(square))
                continue;
            const cv::Mat outline = own & outlineBand(r, square) & ink(r);
            if (startingWord) {
                wordStartCandidates.append({square, r, outline, false});
                continue;
            }
            m_boxes.append(square);
            sides(r).setTo(255, outline);
        }
    }
    QList<QRect> candidateSquares;
    for (const WordStartCandidate& candidate : wordStartCandidates)
        candidateSquares.append(candidate.square);
    for (const WordStartCandidate& candidate : wordStartCandidates) {
        if (!boxBeginsWord(candidate.square, m_boxes, candidateSquares, printBoxes, h))
            continue;
        m_boxes.append(candidate.square);
        boxesReadIntoWords.append(candidate.square);
        if (candidate.straight)
            straightBoxes.append(candidate.square);
        sides(candidate.within).setTo(255, candidate.sides);
    }
    // A box a tick joined to its label's first letter is found by neither
    // its straight sides nor its outline alone: where a word starts in a
    // column of the page's boxes, and ink draws a box's four sides there,
    // the box is read into the word.
    for (const QRectF& word : printBoxes) {
        // By index: a box found here is appended as the loop ends.
        for (qsizetype k = 0; k < m_boxes.size(); ++k) {
            const QRect box = m_boxes[k];
            if (std::abs(word.left() - box.left()) > 0.2 * h || word.bottom() < box.top() - 3 * h ||
                word.top() > box.bottom() + 3 * h || word.height() < 0.8 * box.height() ||
                word.width() < 1.5 * box.width())
                continue;
            QRect best;
            double bestCover = 0;
            for (int y = int(word.top()) - 2; y + box.height() <= word.bottom() + 2; ++y) {
                const QRect square(box.x(), y, box.width(), box.height());
                const double c = sideCover(ink, square);
                if (c > bestCover) {
                    bestCover = c;
                    best = square;
                }
            }
            if (best.isNull() || bestCover < 0.9 ||
                std::any_of(m_boxes.begin(), m_boxes.end(),
                            [&](const QRect& b) { return b.intersects(best); }) ||
                partnersOf(best, m_boxes, {}, h) < 2)
                continue;
            const cv::Rect r =
                cv::Rect(best.x() - 2, best.y() - 2, best.width() + 4, best.height() + 4) &
                cv::Rect(0, 0, ink.cols, ink.rows);
            sides(r).setTo(255, outlineBand(r, best) & ink(r));
            m_boxes.append(best);
            boxesReadIntoWords.append(best);
            break;
        }
    }
    cv::Mat grownLines;
    cv::dilate(sides, grownLines, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    m_data->lines = grownLines;
    cv::Mat rest = ink & ~grownLines;
    // Inside a check box there is nothing printed, so lighter strokes count
    // there: pencil filling a box is often paler than print.
    for (const QRect& box : m_boxes) {
        const int margin = std::max(4, int(std::lround(0.2 * box.width())));
        const cv::Rect inside = cv::Rect(box.x() + margin, box.y() + margin,
                                         box.width() - 2 * margin, box.height() - 2 * margin) &
                                cv::Rect(0, 0, ink.cols, ink.rows);
        if (inside.width <= 0 || inside.height <= 0)
            continue;
        cv::Mat light;
        cv::threshold(m_data->levelled(inside), light, kLightInkInBox - 1, 255,
                      cv::THRESH_BINARY_INV);
        rest(inside) |= light;
    }

    const InkRunPieces restPieces(rest);
    m_data->labels = restPieces.labels();
    const int count = restPieces.count();
    m_pieces.reserve(count);
    const double slack = 0.22 * h;
    // A mark inside a check box read as a letter is no print.
    QList<QRectF> print;
    for (const QRectF& p : printBoxes) {
        const double area = std::max(1.0, p.width() * p.height());
        const bool inBox = std::any_of(m_boxes.begin(), m_boxes.end(), [&](const QRect& b) {
            const QRectF overlap = p.intersected(QRectF(b).adjusted(-slack, -slack, slack, slack));
            return p.width() <= 1.6 * b.width() && overlap.width() * overlap.height() >= 0.4 * area;
        });
        if (!inBox)
            print.append(p);
    }
    // Inside a check box nothing is printed, whatever word recognition
    // stretched over it. Only boxes the size of the page's others count,
    // drawn with straight sides, or in a column with two others, or with
    // one and one in their row: a bold "8" or "9" can draw a square too,
    // and a bold word in a row of boxes.
    QList<int> boxWidths;
    for (const QRect& box : m_boxes)
        boxWidths.append(box.width());
    std::sort(boxWidths.begin(), boxWidths.end());
    const int boxWidth = boxWidths.size() >= 3 ? boxWidths[boxWidths.size() / 2] : 0;
    const auto pageBoxSized = [&](const QRect& box) {
        return std::abs(box.width() - boxWidth) <= 0.12 * boxWidth &&
               std::abs(box.height() - boxWidth) <= 0.12 * boxWidth;
    };
    QList<QRect> linedUp;
    for (const QRect& box : m_boxes) {
        const qsizetype column = partnersOf(box, m_boxes, {}, h, false);
        if (pageBoxSized(box) &&
            (column >= 2 || (column == 1 && partnersOf(box, m_boxes, {}, h) >= 2)))
            linedUp.append(box);
    }
    const auto insideBox = [&](const QRect& b) {
        const QPointF centre = QRectF(b).center();
        if (boxWidth == 0 || std::max(b.width(), b.height()) < 0.4 * h)
            return false;
        const auto holds = [&](const QRect& box) {
            const double margin = 0.15 * box.width();
            return QRectF(box).adjusted(margin, margin, -margin, -margin).contains(centre) &&
                   QRectF(box).adjusted(-slack, -slack, slack, slack).contains(QRectF(b));
        };
        return std::any_of(boxesReadIntoWords.begin(), boxesReadIntoWords.end(), holds) ||
               std::any_of(linedUp.begin(), linedUp.end(), holds) ||
               std::any_of(straightBoxes.begin(), straightBoxes.end(),
                           [&](const QRect& box) { return pageBoxSized(box) && holds(box); });
    };
    // A letter belongs to one word; a piece reaching well into two words
    // is a mark between them that recognition shared out as punctuation.
    // A small letter can still straddle a word read into noise after it,
    // and a letter's width of ink a speck read alone as a quote beside it.
    const WordNesting nesting = wordNesting(printBoxes, h);
    const auto acrossWords = [&](const QRect& b) {
        if (b.height() < 0.85 * h)
            return false;
        int words = 0;
        for (const QRectF& p : nesting.outer) {
            const QRectF overlap = p.intersected(QRectF(b));
            // A letter stands as tall as its word, top and foot level with
            // it; a mark seldom does.
            if (b.width() <= h && overlap.width() > 0 && std::abs(b.top() - p.top()) <= 0.06 * h &&
                std::abs(b.y() + b.height() - p.bottom()) <= 0.06 * h)
                return false;
            // A letter lies within its own word.
            if (b.width() <= h && b.height() <= p.height() && nesting.nested.contains(p) &&
                p.adjusted(-slack, -slack, slack, slack).contains(QRectF(b)))
                return false;
            if (b.width() <= 0.9 * h && p.width() < 0.5 * h)
                continue;
            if (overlap.width() >= 0.2 * h && overlap.height() >= 0.5 * b.height())
                ++words;
        }
        return words >= 2;
    };
    // A ring drawn tight round a long label is as wide as its words; an
    // answer box is far wider than any print inside it. A ring round a
    // check box and a short label, touching the box, ends just past the
    // label's last letter.
    const auto wrapsWords = [&](const QRect& b) {
        double left = b.right(), right = b.left();
        for (const QRectF& p : printBoxes) {
            if (QRectF(b).contains(p)) {
                left = std::min(left, p.left());
                right = std::max(right, p.right());
            }
        }
        return right - left >= 0.6 * b.width() ||
               (b.height() <= 2.6 * h && right - left >= 0.3 * b.width() &&
                right >= b.x() + b.width() - 1.2 * h);
    };
    for (int i = 1; i < count; ++i) {
        InkPiece piece;
        const cv::Rect& bounds = restPieces.bounds(i);
        piece.bounds = QRect(bounds.x, bounds.y, bounds.width, bounds.height);
        piece.area = restPieces.area(i);
        const QRect& b = piece.bounds;
        const double thin = std::max(4.0, 0.3 * h);
        if (std::max(b.width(), b.height()) <= 0.25 * h && piece.area <= 0.04 * h * h) {
            piece.kind = InkKind::speck;
        } else if ((b.height() <= thin && b.width() >= 2.5 * h) ||
                   (b.width() <= thin && b.height() >= 2.5 * h)) {
            // A printed rule to write on, or the side of an answer box.
            piece.kind = InkKind::rule;
            m_rules.append(b);
        } else if (b.width() >= 4 * h && b.height() > 1.8 * h && !wrapsWords(b) &&
                   !outlineInMask(
                        m_data->labels(cv::Rect(b.x(), b.y(), b.width(), b.height())) == i, false)
                        .isEmpty()) {
            // An open answer box: all its ink lies along its border.
            piece.kind = InkKind::rule;
        } else if (b.height() <= 1.6 * h &&
                   (std::any_of(
                        print.begin(), print.end(),
                        [&](const QRectF& p) {
                            // A ring drawn tight round a word stands taller than it.
                            if (p.adjusted(-slack, -slack, slack, slack).contains(QRectF(b)) &&
                                (b.width() < 1.2 * h || b.height() <= 1.1 * p.height() + 2))
                                return true;
                            // Recognition's box can cut a letter at the word's
                            // end ("T", "R", a "y"'s tail); a letter no taller
                            // than the word, reaching a little past it, is its
                            // print.
                            const QRectF overlap = p.intersected(QRectF(b));
                            // Blurred bold letters run into one piece that
                            // can reach as far past the word's box.
                            if (b.height() <= std::min(1.2 * h, 1.1 * p.height() + 2) &&
                                overlap.width() >= 0.8 * b.width() &&
                                p.adjusted(-0.8 * h, -slack, 0.8 * h, slack).contains(QRectF(b)))
                                return true;
                            // Recognition can cut the word's first letter
                            // short at the left.
                            if (b.width() <= 0.8 * h && b.left() < p.left() &&
                                b.left() >= p.left() - 0.5 * h && b.right() >= p.left() + 0.1 * h &&
                                b.top() >= p.top() - slack && b.bottom() <= p.bottom() + slack) {
                                return true;
                            }
                            return b.width() <= 1.2 * h && b.height() <= 1.1 * p.height() + 2 &&
                                   p.adjusted(-0.5 * h, -0.3 * h, 0.5 * h, 0.3 * h)
                                       .contains(QRectF(b)) &&
                                   overlap.width() * overlap.height() >=
                                       0.35 * b.width() * b.height();
                        }) ||
                    // Bold letters blurred into one piece, lower than a
                    // mark, can run wider.
                    ((b.width() <= 2 * h || (b.width() <= 3 * h && b.height() <= 0.9 * h)) &&
                     std::any_of(printLines.begin(), printLines.end(), [&](const QRectF& p) {
                         return p.adjusted(-slack, -slack, slack, slack).contains(QRectF(b));
                     })))) {
            piece.kind = InkKind::print;
            if ((b.height() >= 1.1 * h && b.width() >= h &&
                 enclosesPaper(m_data->labels(cv::Rect(b.x(), b.y(), b.width(), b.height())) == i,
                               h)) ||
                insideBox(b) || acrossWords(b))
                piece.kind = InkKind::pen;
        }
        m_pieces.append(piece);
    }
    // Paper and every piece that is not pen map to 0.
    m_data->pen = cv::Mat::zeros(ink.size(), CV_8U);
    for (int i = 1; i < count; ++i)
        if (m_pieces[i - 1].kind == InkKind::pen)
            restPieces.paint(i, m_data->pen);
}

void PageInk::keepLettersAsPrint(const QList<CutOff>& cuts, double printHeight)
{
    if (m_data->pen.empty())
        return;
    const double h = std::max(6.0, printHeight);
    for (const CutOff& cut : cuts) {
        double top = 0, bottom = 0;
        bool any = false;
        for (const InkPiece& piece : m_pieces) {
            if (piece.kind != InkKind::print ||
                !cut.letters.adjusted(-2, -2, 2, 2).contains(QRectF(piece.bounds)))
                continue;
            top = any ? std::min(top, double(piece.bounds.top())) : piece.bounds.top();
            bottom = any ? std::max(bottom, double(piece.bounds.bottom())) : piece.bounds.bottom();
            any = true;
        }
        if (!any)
            continue;
        // A letter cut through by the label's edge reaches past it.
        const QRectF band(cut.part.left() - 2, top - 0.1 * h, cut.part.width() + 0.8 * h,
                          bottom - top + 0.2 * h);
        for (qsizetype i = 0; i < m_pieces.size(); ++i) {
            const InkPiece& piece = m_pieces[i];
            // Ink inside a printed check box is a mark, whatever its size.
            const bool inBox = std::any_of(m_boxes.begin(), m_boxes.end(), [&](const QRect& box) {
                return box.adjusted(-2, -2, 2, 2).contains(piece.bounds.center());
            });
            if (piece.kind != InkKind::pen || piece.bounds.width() > 1.2 * h || inBox ||
                !band.contains(QRectF(piece.bounds)))
                continue;
            setKind(i, InkKind::print);
        }
    }
}

void PageInk::freeMarksJoinedToLabels(const QList<LabelStart>& labels, double printHeight)
{
    if (m_data->pen.empty())
        return;
    const double h = std::max(6.0, printHeight);
    for (const LabelStart& label : labels) {
        if (label.mayDescend)
            continue;
        qsizetype first = -1;
        QList<int> bottoms;
        int tallest = 0; // of the letters after the first
        const auto addLetter = [&](const QRect& b) {
            bottoms.append(b.bottom());
            tallest = std::max(tallest, b.height());
        };
        for (qsizetype i = 0; i < m_pieces.size(); ++i) {
            const InkPiece& piece = m_pieces[i];
            if (piece.kind != InkKind::print ||
                !label.box.adjusted(-2, -2, 2, 2).contains(QRectF(piece.bounds).center()))
                continue;
            if (first >= 0 && piece.bounds.left() >= m_pieces[first].bounds.left()) {
                addLetter(piece.bounds);
                continue;
            }
            if (first >= 0)
                addLetter(m_pieces[first].bounds);
            first = i;
        }
        if (first < 0 || bottoms.size() < 2)
            continue;
        std::sort(bottoms.begin(), bottoms.end());
        const int baseline = bottoms[bottoms.size() / 2];
        const QRect& b = m_pieces[first].bounds;
        // Below the line, or standing far taller than any letter, its own
        // label's included; no wider
        // than a mark and a letter (bold print run together, "Help", reaches
        // below the line at its descender).
        const bool below = b.bottom() >= baseline + 0.2 * h && b.width() >= 0.8 * b.height();
        const bool tall =
            (b.height() >= 1.35 * h || (b.height() >= 1.2 * h && b.height() >= 1.3 * tallest)) &&
            b.width() >= 0.8 * h;
        // A square the size of a check box just above, below or beside it,
        // with a stroke reaching out of it past the label's letters: a
        // ticked box read as the label's first letter. Blurred serifs can
        // close a letter's bowl ("h", "P") into a square, but its stem stays
        // within the line and no box stands in line with it.
        const cv::Rect r(b.x(), b.y(), b.width(), b.height());
        const QRect square = outlineInMask(m_data->labels(r) == int(first + 1), true);
        const bool tickedBox = !square.isEmpty() && b.height() >= 1.1 * tallest &&
                               b.height() >= square.height() + 0.3 * h &&
                               boxesInLineWith(square.translated(b.topLeft()), m_boxes, h) >= 1;
        // A label starting with a stroke ("I", "It") has no first letter
        // this wide and taller than the rest of its letters: a tick or cross
        // read into its word. An empty check box's square is print.
        const bool wideStroke = label.narrowFirst && b.width() >= 0.7 * h &&
                                b.height() >= 1.1 * tallest && square.isEmpty();
        if ((!below && !tall && !wideStroke && !tickedBox) || b.width() > 2.2 * h ||
            b.left() > label.box.left() + 0.3 * h)
            continue;
        setKind(first, InkKind::pen);
        // The box tells which label the tick answers, also when it reaches
        // a tick in the box below.
        const QRect found = square.translated(b.topLeft());
        if (tickedBox && std::none_of(m_boxes.begin(), m_boxes.end(),
                                      [&](const QRect& box) { return box.intersects(found); }))
            m_boxes.append(found);
    }
}

void PageInk::setKind(qsizetype index, InkKind kind)
{
    InkPiece& piece = m_pieces[index];
    piece.kind = kind;
    const QRect& b = piece.bounds;
    const cv::Rect r(b.x(), b.y(), b.width(), b.height());
    m_data->pen(r).setTo(kind == InkKind::pen ? 255 : 0, m_data->labels(r) == int(index + 1));
}
