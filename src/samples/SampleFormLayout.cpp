#include "SampleFormLayout.h"

#include "model/SurveyTemplateDefinition.h"

#include "samples/SampleFonts.h"

#include <QFontMetricsF>

namespace {

constexpr double kPageWidthPt = 612;
constexpr double kPageHeightPt = 792;
constexpr double kMarginPt = 54;
constexpr double kBoxPt = 9;
constexpr double kBoxGapPt = 4.5;
constexpr double kRowPitchPt = 20;

// How the choices of one question are arranged on paper.
struct Arrangement
{
    int columns = 0; // 0: one row, choices side by side
    bool boxes = true;
    double afterPt = 14;
    double writeInPt = 0; // printed rule after the last choice
    double writingHeightPt = 0;
};

Arrangement arrangementFor(qint64 number)
{
    switch (number) {
    case 2:
        return {.columns = 0, .boxes = false};
    case 4:
        return {.columns = 4, .boxes = false};
    case 3:
        return {.columns = 0, .writeInPt = 90};
    case 7:
        return {.columns = 1};
    case 8:
        return {.columns = 1, .writeInPt = 130};
    case 10:
    case 13:
        return {.afterPt = 4, .writingHeightPt = 74};
    case 14:
        return {.afterPt = 4, .writingHeightPt = 70};
    case 11:
        return {.columns = 3};
    case 12:
        return {.columns = 2};
    default:
        return {};
    }
}

QFont makeFont(const QString& family, double pt, double dpi, bool bold = false, bool italic = false)
{
    // DejaVu is the system's default face; others come from their font packages.
    const bool dejaVu = family.startsWith(QLatin1String("DejaVu"));
    QFont font(dejaVu ? family : installedFamily(family));
    font.setPixelSize(qMax(6, qRound(pt * dpi / 72.0)));
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Breaks a heading into lines that fit the printable width.
QStringList wrapText(const QString& text, const QFontMetricsF& metrics, double width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            lines.append(line);
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// The classic arrangement of a question, or the one a varied style asks for.
Arrangement arrangementFor(qint64 number, const FormStyle& style, int optionCount)
{
    if (style.isClassic())
        return arrangementFor(number);
    const QuestionPrint& print = style.questions.value(number - 1);
    Arrangement arrangement;
    switch (print.arrangement) {
    case ChoiceArrangement::severalPerLine:
        arrangement.columns = 0;
        break;
    case ChoiceArrangement::onePerLine:
        arrangement.columns = 1;
        break;
    case ChoiceArrangement::twoColumns:
        arrangement.columns = 2;
        break;
    case ChoiceArrangement::grid:
        arrangement.columns = optionCount >= 7 ? 4 : 3;
        break;
    }
    arrangement.boxes = print.boxes;
    arrangement.afterPt = optionCount == 0 ? 4 : 10;
    arrangement.writeInPt = print.writeIn ? print.writeInPt : 0;
    arrangement.writingHeightPt = optionCount == 0 ? print.writingHeightPt : 0;
    return arrangement;
}

ChoiceArrangement arrangementOf(int columns)
{
    if (columns == 0)
        return ChoiceArrangement::severalPerLine;
    if (columns == 1)
        return ChoiceArrangement::onePerLine;
    return columns == 2 ? ChoiceArrangement::twoColumns : ChoiceArrangement::grid;
}

QString numberPrefix(qint64 number, NumberFormat format)
{
    static const char* const suffixes[] = {". ", ") ", ": ", "- "};
    return QString::number(number) + QLatin1String(suffixes[int(format)]);
}

class PageBuilder
{
public:
    PageBuilder(SurveySide side, double dpi, const FormStyle& style, double gapPt)
        : m_dpi(dpi), m_style(style)
    {
        m_page.dpi = dpi;
        m_page.pageSize = QSizeF(pt(kPageWidthPt), pt(kPageHeightPt));
        m_left = pt(style.isClassic() ? kMarginPt : style.marginPt);
        m_width = m_page.pageSize.width() - 2 * m_left;
        m_y = pt(side == SurveySide::front ? 46 : 50);
        // The front has fewer lines to print; it spreads them out.
        m_gapPt = style.isClassic() ? (side == SurveySide::front ? 13 : 0) : gapPt;
    }

    double pt(double points) const { return points * m_dpi / 72.0; }

    QFont font(double points, bool bold, bool italic = false) const
    {
        return makeFont(m_style.family, points, m_dpi, bold, italic);
    }

    void addCentred(const QString& text, const QFont& font, double afterPt)
    {
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
        m_page.decorations.append(
            {text, font, QRectF(m_left + (m_width - width) / 2, m_y, width, metrics.height())});
        m_y += metrics.height() + pt(afterPt);
    }

    void addFooter(const QString& text)
    {
        const QFont font = m_style.isClassic()
                               ? makeFont(QStringLiteral("DejaVu Sans"), 9, m_dpi, false, true)
                               : this->font(9, false, true);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
        m_page.decorations.append(
            {text, font,
             QRectF(m_left + m_width - width, m_page.pageSize.height() - pt(44), width,
                    metrics.height())});
    }

    void addQuestion(qint64 number, const SurveyTemplateDefinition::Question& question)
    {
        const Arrangement arrangement =
            arrangementFor(number, m_style, int(question.options.size()));
        FormQuestion printed;
        printed.number = number;
        const QFont headingFont = m_style.isClassic()
                                      ? makeFont(QStringLiteral("DejaVu Sans"), 10.5, m_dpi, true)
                                      : font(m_style.headingPt, m_style.boldHeadings);
        const QFontMetricsF headingMetrics(headingFont);
        const QString heading = numberPrefix(number, m_style.numberFormat) + question.text;
        for (const QString& line : wrapText(heading, headingMetrics, m_width)) {
            printed.heading.append({line, headingFont,
                                    QRectF(m_left, m_y, headingMetrics.horizontalAdvance(line),
                                           headingMetrics.height())});
            m_y += headingMetrics.height() + pt(1);
        }
        m_y += pt(5);
        printed.optionFont = m_style.isClassic()
                                 ? makeFont(QStringLiteral("DejaVu Sans"), 10, m_dpi)
                                 : font(m_style.optionPt, m_style.boldOptions);
        if (!question.options.isEmpty())
            placeOptions(printed, question.options, arrangement);
        if (arrangement.writingHeightPt > 0)
            placeWritingArea(printed, arrangement.writingHeightPt);
        m_page.contentBottom = m_y;
        m_y += pt(arrangement.afterPt + m_gapPt);
        m_page.questions.append(printed);
    }

    FormPageLayout take() { return m_page; }

private:
    void placeWritingArea(FormQuestion& printed, double heightPt)
    {
        const double indent = m_style.isClassic() ? 14 : qMax(6.0, m_style.indentPt);
        printed.writingArea = QRectF(m_left + pt(indent), m_y, m_width - pt(indent), pt(heightPt));
        m_y += pt(heightPt);
        if (m_style.isClassic())
            return;
        printed.writing = m_style.questions.value(printed.number - 1).writing;
        if (printed.writing == WritingSpace::ruled) {
            const QRectF& area = printed.writingArea;
            const double pitch = pt(qBound(20.0, m_style.rowPitchPt * 1.15, 28.0));
            for (double y = area.top() + pitch; y <= area.bottom() + 0.5; y += pitch)
                printed.answerRules.append(QLineF(area.left(), y, area.right(), y));
        }
    }

    void placeOptions(FormQuestion& printed, const QStringList& options,
                      const Arrangement& arrangement)
    {
        const QFontMetricsF metrics(printed.optionFont);
        const bool classic = m_style.isClassic();
        // Classic choices start under the question number: a hanging indent
        // leaves the numbers alone in a margin column.
        const double indent = classic ? m_left : m_left + pt(m_style.indentPt);
        const double right = m_left + m_width;
        const double boxPt = classic ? kBoxPt : m_style.boxPt;
        const double lead =
            arrangement.boxes ? pt(boxPt + (classic ? kBoxGapPt : m_style.boxGapPt)) : 0;
        // Classic: wide gaps between choices keep Tesseract from taking them
        // for word spaces and running the words of a label together.
        const double spacing =
            classic ? (arrangement.boxes ? pt(40) : pt(34)) : pt(m_style.choiceGapPt);
        const double rowPitch = pt(classic ? kRowPitchPt : m_style.rowPitchPt);
        int columns = arrangement.columns;
        if (!classic && columns > 1) {
            // Columns too narrow for a label fall back to one choice per line.
            const double columnWidth = (right - indent) / columns;
            for (const QString& label : options) {
                if (lead + metrics.horizontalAdvance(label) > columnWidth - pt(8))
                    columns = 1;
            }
        }
        printed.arrangement = arrangementOf(columns);
        const double columnWidth =
            columns > 0
                ? (classic ? m_page.pageSize.width() - m_left - indent : right - indent) / columns
                : 0;
        double x = indent;
        int column = 0;
        for (const QString& label : options) {
            const double labelWidth = metrics.horizontalAdvance(label);
            if (!classic && columns == 0 && x > indent && x + lead + labelWidth > right) {
                x = indent;
                m_y += rowPitch;
            }
            FormOption option;
            option.label = label;
            option.labelRect = QRectF(x + lead, m_y, labelWidth, metrics.height());
            if (arrangement.boxes) {
                // The box sits on the text's middle, between baseline and cap height.
                const double middle = m_y + metrics.ascent() - metrics.capHeight() / 2;
                option.box = QRectF(x, middle - pt(boxPt) / 2, pt(boxPt), pt(boxPt));
            }
            printed.options.append(option);
            if (columns > 0) {
                if (++column == columns) {
                    column = 0;
                    x = indent;
                    m_y += rowPitch;
                } else {
                    x = indent + column * columnWidth;
                }
            } else {
                x += lead + labelWidth + spacing;
            }
        }
        const FormOption& last = printed.options.last();
        if (arrangement.writeInPt > 0) {
            const double ruleY = last.labelRect.top() + metrics.ascent() + pt(1.5);
            const double ruleX = last.labelRect.right() + pt(6);
            const double length = classic ? pt(arrangement.writeInPt)
                                          : qMin(pt(arrangement.writeInPt), right - ruleX);
            if (length >= pt(30))
                printed.writeInRules.append(QLineF(ruleX, ruleY, ruleX + length, ruleY));
        }
        if (columns == 0 || column != 0)
            m_y += rowPitch;
    }

    double m_dpi;
    const FormStyle& m_style;
    FormPageLayout m_page;
    double m_left = 0;
    double m_width = 0;
    double m_y = 0;
    double m_gapPt = 0;
};

FormPageLayout buildPage(SurveySide side, double dpi, const FormStyle& style, double gapPt)
{
    PageBuilder builder(side, dpi, style, gapPt);
    const bool front = side == SurveySide::front;
    const bool classic = style.isClassic();
    if (front) {
        const QString titleFamily = classic ? QStringLiteral("DejaVu Serif") : style.family;
        builder.addCentred(QStringLiteral("KRDA 2026 STEM Fair"),
                           makeFont(titleFamily, classic ? 17 : style.headingPt + 6, dpi, true), 2);
        builder.addCentred(QStringLiteral("Student Survey"),
                           makeFont(titleFamily, classic ? 13 : style.headingPt + 2, dpi), 4);
        builder.addCentred(
            QStringLiteral("Thank you for taking part! Please answer the questions on both sides."),
            classic ? makeFont(QStringLiteral("DejaVu Sans"), 9, dpi, false, true)
                    : builder.font(9, false, true),
            14);
    }
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    const qint64 first = front ? 1 : 8;
    for (qint64 number = first; number < first + 7; ++number)
        builder.addQuestion(number, questions.value(number));
    builder.addFooter(front ? QStringLiteral("Please turn over")
                            : QStringLiteral("Thank you for your answers!"));
    return builder.take();
}

// The lowest a question may reach: clear of the footer.
double usableBottom(const FormPageLayout& layout)
{
    return layout.pageSize.height() - 60 * layout.dpi / 72.0;
}

bool pageFits(const FormPageLayout& layout)
{
    if (layout.contentBottom > usableBottom(layout))
        return false;
    const double right = layout.pageSize.width() - 30 * layout.dpi / 72.0;
    for (const FormQuestion& question : layout.questions) {
        for (const FormOption& option : question.options) {
            if (option.labelRect.right() > right)
                return false;
        }
        for (const FormText& line : question.heading) {
            if (line.rect.right() > right)
                return false;
        }
    }
    return true;
}

QuestionPrint randomQuestionPrint(QRandomGenerator& random, qint64 number, int optionCount,
                                  double bareShare)
{
    QuestionPrint print;
    if (optionCount == 0) {
        print.writing = WritingSpace(random.bounded(3));
        print.writingHeightPt = 56 + random.bounded(36);
        return print;
    }
    const int roll = random.bounded(100);
    if (roll < 40)
        print.arrangement = ChoiceArrangement::severalPerLine;
    else if (roll < 70)
        print.arrangement = ChoiceArrangement::onePerLine;
    else if (roll < 90 || optionCount < 6)
        print.arrangement = ChoiceArrangement::twoColumns;
    else
        print.arrangement = ChoiceArrangement::grid;
    // Questions whose text says "circle one" are mostly printed bare.
    const bool circleOne = number == 2 || number == 4;
    print.boxes = random.generateDouble() >= (circleOne ? 0.75 : bareShare);
    if (number == 3 || number == 7 || number == 8) {
        print.writeIn = random.bounded(100) < 65;
        print.writeInPt = 80 + random.bounded(80);
    }
    return print;
}
} // namespace

double formRuleWidth(double dpi)
{
    return 0.8 * dpi / 72.0;
}

bool FormStyle::printsBoxes(qint64 number) const
{
    if (isClassic())
        return arrangementFor(number).boxes;
    return questions.value(number - 1).boxes;
}

QString numberFormatName(NumberFormat format)
{
    static const char* const names[] = {"N.", "N)", "N:", "N-"};
    return QLatin1String(names[int(format)]);
}

QString arrangementName(ChoiceArrangement arrangement)
{
    static const char* const names[] = {"several per line", "one per line", "two columns", "grid"};
    return QLatin1String(names[int(arrangement)]);
}

QString writingSpaceName(WritingSpace space)
{
    static const char* const names[] = {"blank space", "ruled lines", "open box"};
    return QLatin1String(names[int(space)]);
}

FormPageLayout layoutSurveyPage(SurveySide side, double dpi, const FormStyle& style)
{
    if (style.isClassic())
        return buildPage(side, dpi, style, 0);
    // Laid out tight first; the room left over spreads the questions out.
    const FormPageLayout tight = buildPage(side, dpi, style, 0);
    const double spare = (usableBottom(tight) - tight.contentBottom) * 72.0 / dpi;
    const double gapPt = qBound(0.0, spare / 7, 16.0);
    return gapPt > 0.5 ? buildPage(side, dpi, style, gapPt) : tight;
}

bool formFits(const FormStyle& style, double dpi)
{
    return pageFits(layoutSurveyPage(SurveySide::front, dpi, style)) &&
           pageFits(layoutSurveyPage(SurveySide::back, dpi, style));
}

FormStyle randomFormStyle(QRandomGenerator& random, double dpi)
{
    const QList<SampleFontFamily>& families = sampleFontFamilies();
    FormStyle style;
    style.family = families.at(random.bounded(int(families.size()))).family;
    style.optionPt = 10 + 0.5 * random.bounded(7);
    style.headingPt = style.optionPt + 0.5 * random.bounded(3);
    style.boldHeadings = random.bounded(100) < 70;
    style.boldOptions = random.bounded(100) < 20;
    style.numberFormat = NumberFormat(random.bounded(4));
    style.marginPt = 40 + random.bounded(33);
    style.boxPt = 7.5 + 0.5 * random.bounded(10);
    style.boxGapPt = 3 + 0.5 * random.bounded(9);
    style.choiceGapPt = 14 + random.bounded(23);
    style.indentPt = random.bounded(2) == 0 ? 0 : 12 + random.bounded(17);
    style.rowPitchPt = style.optionPt * (1.5 + 0.1 * random.bounded(7));
    static const double bareShares[] = {0.0, 0.25, 0.6, 1.0};
    const double bareShare = bareShares[random.bounded(4)];
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    for (qint64 number = 1; number <= 14; ++number)
        style.questions.append(randomQuestionPrint(
            random, number, int(questions.value(number).options.size()), bareShare));

    // A designer whose form runs over tightens it: indent, margins, long
    // lists side by side, then a smaller type.
    for (int attempt = 0; attempt < 40 && !formFits(style, dpi); ++attempt) {
        if (style.indentPt > 0) {
            style.indentPt = 0;
            continue;
        }
        if (style.marginPt > 42) {
            style.marginPt = 42;
            continue;
        }
        qint64 longest = 0;
        for (qint64 number = 1; number <= 14; ++number) {
            const QuestionPrint& print = style.questions[number - 1];
            if (print.arrangement == ChoiceArrangement::onePerLine &&
                (longest == 0 ||
                 questions.value(number).options.size() > questions.value(longest).options.size()))
                longest = number;
        }
        if (longest > 0) {
            style.questions[longest - 1].arrangement = ChoiceArrangement::severalPerLine;
            continue;
        }
        style.optionPt = qMax(9.0, style.optionPt - 0.5);
        style.headingPt = qMax(9.0, style.headingPt - 0.5);
        style.rowPitchPt = qMax(style.optionPt * 1.4, style.rowPitchPt - 1);
    }
    return style;
}
