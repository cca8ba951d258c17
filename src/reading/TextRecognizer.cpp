#include "TextRecognizer.h"

#include "InkComponents.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

namespace {
// For programs that load Tesseract later (plugins, child processes) the
// variable still does its job; libgomp already loaded ignores it, hence the
// per-thread limit in the engine.
const bool ompLimitSet = [] {
    ::setenv("OMP_THREAD_LIMIT", "1", 0);
    return true;
}();
} // namespace

QString tessdataPath()
{
    // A folder named in the environment is used as Tesseract itself would,
    // so a model missing there is reported rather than quietly replaced.
    const QString fromEnvironment = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

QString mendedWordText(const QString& text, int width, int height)
{
    // Tesseract reads a sans-serif capital I standing alone ("I wanted") as a
    // bar; a bar as narrow as a letter stroke is that letter.
    if (text == QStringLiteral("|") && width * 4 < height)
        return QStringLiteral("I");
    // A speck of dirt before a word reads as an opening quote ("‘Nebo") and
    // would shift where the label is thought to stand.
    static const QString quotes = QStringLiteral("'`\"\u2018\u201C\u201E");
    qsizetype start = 0;
    while (start + 1 < text.size() && quotes.contains(text[start]))
        ++start;
    const QString rest = text.mid(start);
    const bool closed = std::any_of(rest.begin(), rest.end(), [&](QChar c) {
        return quotes.contains(c) || c == QChar(0x2019) || c == QChar(0x201D);
    });
    if (start > 0 && !closed && rest.size() >= 2 && rest[0].isLetterOrNumber())
        return rest;
    return text;
}

QRectF trimmedToTextRow(const QRectF& box, double baseline, double typicalHeight,
                        double typicalBottomOffset)
{
    if (typicalHeight <= 0 || box.height() <= 1.25 * typicalHeight)
        return box;
    // A little room for letters that overshoot the print's lines.
    const double slack = 0.1 * typicalHeight;
    const double bottom = std::min(box.bottom(), baseline + typicalBottomOffset + slack);
    const double top = std::max(box.top(), bottom - typicalHeight - slack);
    if (bottom <= top)
        return box;
    return QRectF(box.left(), top, box.width(), bottom - top);
}

namespace {
double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The height and baseline offset of the line's ordinary words (three letters
// or more): what the print of a label on this line measures.
std::pair<double, double> typicalWordRow(const QList<RecognizedWord>& words,
                                         const std::function<double(double)>& baselineAt)
{
    QList<double> heights, bottoms;
    for (const RecognizedWord& word : words) {
        const auto letters =
            std::count_if(word.text.begin(), word.text.end(), [](QChar c) { return c.isLetter(); });
        if (letters < 3)
            continue;
        heights.append(word.pixelBounds.height());
        bottoms.append(word.pixelBounds.bottom() - baselineAt(word.pixelBounds.center().x()));
    }
    return {medianOf(heights), medianOf(bottoms)};
}
} // namespace

namespace {
// The words of the iterator's current line; the iterator stays on the line.
QList<RecognizedWord> wordsOfLine(const tesseract::ResultIterator& line)
{
    QList<RecognizedWord> words;
    tesseract::ResultIterator word(line);
    while (true) {
        std::unique_ptr<char[]> text(word.GetUTF8Text(tesseract::RIL_WORD));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (text && word.BoundingBox(tesseract::RIL_WORD, &left, &top, &right, &bottom)) {
            words.append(
                {mendedWordText(QString::fromUtf8(text.get()), right - left, bottom - top),
                 std::clamp(double(word.Confidence(tesseract::RIL_WORD)) / 100.0, 0.0, 1.0),
                 QRectF(left, top, right - left, bottom - top),
                 {}});
        }
        if (word.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) ||
            !word.Next(tesseract::RIL_WORD))
            break;
    }
    return words;
}
} // namespace

QList<TextWord> textWords(const QList<RecognizedWord>& words)
{
    QList<TextWord> out;
    out.reserve(words.size());
    for (const RecognizedWord& word : words)
        out.append({word.text, word.confidence, word.pixelBounds});
    return out;
}

QString joinedText(const QList<RecognizedWord>& words)
{
    QStringList texts;
    for (const RecognizedWord& word : words)
        texts.append(word.text);
    return texts.join(QLatin1Char(' '));
}

bool looksLikeBoxGlyph(const RecognizedWord& word, double followingTextHeight)
{
    static const QRegularExpression questionNumber(QStringLiteral("^(?:Q)?[0-9]{1,3}[\\).:\\-]?$"),
                                                   QRegularExpression::CaseInsensitiveOption);
    const QString text = word.text.trimmed();
    if (text.isEmpty() || text.size() > 3 || text.front().isDigit() ||
        questionNumber.match(text).hasMatch())
        return false;
    const bool symbol =
        std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isLetterOrNumber(); });
    const QRectF& box = word.pixelBounds;
    const double aspect = box.width() / std::max(1.0, box.height());
    const bool squareAndTall =
        aspect >= 0.6 && aspect <= 1.6 && box.height() >= 1.15 * followingTextHeight;
    return symbol || squareAndTall;
}

QList<RecognizedTextBlock> splitAtWideGaps(const RecognizedTextBlock& line,
                                           const QList<RecognizedWord>& words)
{
    const double wideGap = 1.2 * line.pixelBounds.height();
    // The tallest word after each word: label text with its ascenders.
    QList<double> followingHeight(words.size(), 0.0);
    for (qsizetype i = words.size() - 2; i >= 0; --i)
        followingHeight[i] = std::max(followingHeight[i + 1], words[i + 1].pixelBounds.height());
    QList<QList<RecognizedWord>> runs;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const RecognizedWord& word = words[i];
        const bool afterGlyph = !runs.isEmpty() && runs.last().size() == 1 &&
                                looksLikeBoxGlyph(runs.last().first(), followingHeight[i - 1]);
        if (runs.isEmpty() || afterGlyph ||
            word.pixelBounds.left() - runs.last().last().pixelBounds.right() > wideGap)
            runs.append(QList<RecognizedWord>());
        runs.last().append(word);
    }
    if (runs.size() <= 1)
        return {line};
    QList<RecognizedTextBlock> blocks;
    for (const QList<RecognizedWord>& run : runs) {
        QRectF box = run.first().pixelBounds;
        double confidence = 0;
        for (const RecognizedWord& word : run) {
            box = box.united(word.pixelBounds);
            confidence += word.confidence;
        }
        blocks.append({joinedText(run), confidence / double(run.size()), box, textWords(run)});
    }
    return blocks;
}

namespace {
bool isUprightLine(const tesseract::PageIterator& line)
{
    tesseract::Orientation orientation = tesseract::ORIENTATION_PAGE_UP;
    tesseract::WritingDirection direction = tesseract::WRITING_DIRECTION_LEFT_TO_RIGHT;
    tesseract::TextlineOrder order = tesseract::TEXTLINE_ORDER_TOP_TO_BOTTOM;
    float deskew = 0;
    line.Orientation(&orientation, &direction, &order, &deskew);
    return orientation == tesseract::ORIENTATION_PAGE_UP &&
           direction == tesseract::WRITING_DIRECTION_LEFT_TO_RIGHT &&
           order == tesseract::TEXTLINE_ORDER_TOP_TO_BOTTOM;
}
} // namespace

namespace {
// Layout analysis only; Recognize then reuses the lines it found.
bool hasUprightLines(tesseract::TessBaseAPI& api)
{
    std::unique_ptr<tesseract::PageIterator> layout(api.AnalyseLayout());
    if (!layout)
        return true; // let recognition decide
    do {
        if (isUprightLine(*layout))
            return true;
    } while (layout->Next(tesseract::RIL_TEXTLINE));
    return false;
}
} // namespace

namespace {
// Layout analysis only, like hasUprightLines. Per line, the letters' tops
// and bottoms are measured against the line's median top and bottom (its
// x-height band): ascenders stand out above it, descenders below. Turned
// over, ascenders hang below the band. Only a clear majority over enough
// letters counts; anything else is left to recognition, and a page judged
// wrongly costs only the pass it would have cost anyway.
bool printLooksUpsideDown(tesseract::TessBaseAPI& api)
{
    std::unique_ptr<tesseract::PageIterator> layout(api.AnalyseLayout());
    if (!layout)
        return false;
    int above = 0, below = 0;
    QList<QRect> line;
    const auto countLine = [&] {
        if (line.size() < 5)
            return;
        QList<double> tops, bottoms;
        for (const QRect& letter : std::as_const(line)) {
            tops.append(letter.top());
            bottoms.append(letter.bottom());
        }
        const double top = medianOf(tops), bottom = medianOf(bottoms);
        const double reach = 0.3 * (bottom - top);
        if (reach < 1.5)
            return;
        for (const QRect& letter : std::as_const(line)) {
            above += letter.top() < top - reach;
            below += letter.bottom() > bottom + reach;
        }
    };
    do {
        if (layout->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            countLine();
            line.clear();
            if (!isUprightLine(*layout))
                continue;
        } else if (line.isEmpty()) {
            continue; // a line running downwards
        }
        int left = 0, top = 0, right = 0, bottom = 0;
        if (layout->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
            line.append(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
    } while (layout->Next(tesseract::RIL_SYMBOL));
    countLine();
    // Upright forms give a fifth to three fifths as many below as above,
    // turned-over ones twice as many or more.
    return below >= 40 && 2 * below >= 3 * above;
}
} // namespace

struct TextRecognizer::Engine
{
    tesseract::TessBaseAPI api;
    bool ready = false;
};

TextRecognizer::TextRecognizer() : m_engine(std::make_unique<Engine>())
{
    (void)ompLimitSet;
    // OpenMP teams on this thread run with one thread: no parallel region
    // becomes active.
    omp_set_max_active_levels(0);
    const QByteArray path = tessdataPath().toLocal8Bit();
    m_engine->ready = m_engine->api.Init(path.constData(), "eng", tesseract::OEM_LSTM_ONLY) == 0;
    if (m_engine->ready) {
        // Automatic layout: a form's rows and columns come out as lines.
        m_engine->api.SetPageSegMode(tesseract::PSM_AUTO);
        // Keeps Tesseract from printing resolution warnings for every page.
        m_engine->api.SetVariable("debug_file", "/dev/null");
        // Printed surveys carry no light-on-dark text; trying every poorly
        // read word again inverted costs much time on box glyphs and on the
        // page turned sideways while judging orientation.
        m_engine->api.SetVariable("tessedit_do_invert", "0");
    }
}

TextRecognizer::~TextRecognizer()
{
    if (m_engine->ready)
        m_engine->api.End();
}

TextRecognizer& TextRecognizer::forThisThread()
{
    thread_local TextRecognizer recognizer;
    return recognizer;
}

bool TextRecognizer::isReady() const
{
    return m_engine->ready;
}

QList<RecognizedTextBlock> TextRecognizer::recognizeText(const QImage& image, TextScope scope)
{
    return recognize(image, scope, false).value_or(QList<RecognizedTextBlock>());
}

std::optional<QList<RecognizedTextBlock>>
TextRecognizer::recognizeTextUnlessUpsideDown(const QImage& image)
{
    return recognize(image, TextScope::allLines, true);
}

std::optional<QList<RecognizedTextBlock>>
TextRecognizer::recognize(const QImage& image, TextScope scope, bool unlessUpsideDown)
{
    QList<RecognizedTextBlock> blocks;
    if (!m_engine->ready || image.isNull() || image.width() < 3 || image.height() < 3)
        return blocks;
    const QImage grey =
        withoutMarksAndBoxes(image.format() == QImage::Format_Grayscale8
                                 ? image
                                 : image.convertToFormat(QImage::Format_Grayscale8));
    if (grey.isNull())
        return blocks;
    tesseract::TessBaseAPI& api = m_engine->api;
    const bool scattered = scope == TextScope::scatteredWords;
    if (scattered)
        api.SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api.SetSourceResolution(300);
    if (scope == TextScope::uprightLines && !hasUprightLines(api)) {
        // Nothing upright to read (a page turned sideways): the layout alone
        // tells, without the cost of recognising the turned lines.
        api.Clear();
        return blocks;
    }
    if (unlessUpsideDown && printLooksUpsideDown(api)) {
        api.Clear();
        return std::nullopt;
    }
    const int failed = api.Recognize(nullptr);
    if (scattered)
        api.SetPageSegMode(tesseract::PSM_AUTO);
    if (failed != 0) {
        api.Clear();
        return blocks;
    }
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (it) {
        do {
            if (scope == TextScope::uprightLines && !isUprightLine(*it))
                continue;
            const QList<RecognizedWord> words = wordsOfLine(*it);
            int left = 0, top = 0, right = 0, bottom = 0;
            if (words.isEmpty() ||
                !it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
                continue;
            const RecognizedTextBlock line{
                joinedText(words),
                std::clamp(double(it->Confidence(tesseract::RIL_TEXTLINE)) / 100.0, 0.0, 1.0),
                QRectF(left, top, right - left, bottom - top), textWords(words)};
            const QList<RecognizedTextBlock> pieces = splitAtWideGaps(line, words);
            int bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
            if (!it->Baseline(tesseract::RIL_TEXTLINE, &bx1, &by1, &bx2, &by2)) {
                blocks.append(pieces);
                continue;
            }
            const auto baselineAt = [&](double x) {
                return bx2 == bx1 ? double(by1)
                                  : by1 + double(by2 - by1) * (x - bx1) / double(bx2 - bx1);
            };
            const auto [typicalHeight, bottomOffset] = typicalWordRow(words, baselineAt);
            for (RecognizedTextBlock piece : pieces) {
                piece.pixelBounds =
                    trimmedToTextRow(piece.pixelBounds, baselineAt(piece.pixelBounds.center().x()),
                                     typicalHeight, bottomOffset);
                blocks.append(piece);
            }
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api.Clear();
    const QList<InkComponent> letters = inkComponents(grey, kPrintInkThreshold);
    const int printHeight = typicalPrintHeight(letters);
    for (RecognizedTextBlock& block : blocks) {
        block.pixelBounds = tightenedToLetters(block.pixelBounds, letters, printHeight);
        block.text = mendedLineStart(block.text);
    }
    return joinedRowNeighbours(blocks);
}

QString TextRecognizer::recognizeLine(const QImage& image)
{
    if (!m_engine->ready || image.isNull() || image.width() < 3 || image.height() < 3)
        return {};
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    tesseract::TessBaseAPI& api = m_engine->api;
    api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api.SetSourceResolution(300);
    std::unique_ptr<char[]> text(api.GetUTF8Text());
    api.Clear();
    api.SetPageSegMode(tesseract::PSM_AUTO);
    return text ? QString::fromUtf8(text.get()).trimmed() : QString();
}

QString mendedLineStart(const QString& text)
{
    // A faint point after a question number reads as a comma ("7, How").
    static const QRegularExpression commaAfterNumber(
        QStringLiteral("^(\\s*(?:Q\\s*)?[0-9]{1,3}),(?=\\s)"),
        QRegularExpression::CaseInsensitiveOption);
    QString mended = text;
    return mended.replace(commaAfterNumber, QStringLiteral("\\1."));
}

namespace {
bool isWordLike(const QString& text)
{
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i - 1].isLetterOrNumber() && text[i].isLetterOrNumber())
            return true;
    return false;
}
} // namespace

QList<RecognizedTextBlock> joinedRowNeighbours(const QList<RecognizedTextBlock>& blocks)
{
    QList<RecognizedTextBlock> joined;
    for (const RecognizedTextBlock& block : blocks) {
        if (!joined.isEmpty()) {
            RecognizedTextBlock& last = joined.last();
            const QRectF& a = last.pixelBounds;
            const QRectF& b = block.pixelBounds;
            const double height = std::max(a.height(), b.height());
            const double overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
            const double gap = b.left() - a.right();
            if (isWordLike(last.text) && isWordLike(block.text) &&
                overlap >= 0.6 * std::min(a.height(), b.height()) && gap >= -0.2 * height &&
                gap <= 0.8 * height) {
                const double weightA = double(last.text.size()),
                             weightB = double(block.text.size());
                last.confidence =
                    (last.confidence * weightA + block.confidence * weightB) / (weightA + weightB);
                last.text += QLatin1Char(' ') + block.text;
                last.pixelBounds = a.united(b);
                last.words += block.words;
                continue;
            }
        }
        joined.append(block);
    }
    return joined;
}
