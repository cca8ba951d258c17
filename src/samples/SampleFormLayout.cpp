#include "SampleFormLayout.h"

#include "model/SurveyTemplateDefinition.h"

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
    QFont font(family);
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

class PageBuilder
{
public:
    PageBuilder(SurveySide side, double dpi) : m_dpi(dpi)
    {
        m_page.dpi = dpi;
        m_page.pageSize = QSizeF(pt(kPageWidthPt), pt(kPageHeightPt));
        m_left = pt(kMarginPt);
        m_width = m_page.pageSize.width() - 2 * m_left;
        m_y = pt(side == SurveySide::front ? 46 : 50);
        // The front has fewer lines to print; it spreads them out.
        m_gapPt = side == SurveySide::front ? 13 : 0;
    }

    double pt(double points) const { return points * m_dpi / 72.0; }

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
        const QFont font = makeFont(QStringLiteral("DejaVu Sans"), 9, m_dpi, false, true);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
        m_page.decorations.append(
            {text, font,
             QRectF(m_left + m_width - width, m_page.pageSize.height() - pt(44), width,
                    metrics.height())});
    }

    void addQuestion(qint64 number, const SurveyTemplateDefinition::Question& question)
    {
        const Arrangement arrangement = arrangementFor(number);
        FormQuestion printed;
        printed.number = number;
        const QFont headingFont = makeFont(QStringLiteral("DejaVu Sans"), 10.5, m_dpi, true);
        const QFontMetricsF headingMetrics(headingFont);
        const QString heading = QString::number(number) + QStringLiteral(". ") + question.text;
        for (const QString& line : wrapText(heading, headingMetrics, m_width)) {
            printed.heading.append({line, headingFont,
                                    QRectF(m_left, m_y, headingMetrics.horizontalAdvance(line),
                                           headingMetrics.height())});
            m_y += headingMetrics.height() + pt(1);
        }
        m_y += pt(5);
        printed.optionFont = makeFont(QStringLiteral("DejaVu Sans"), 10, m_dpi);
        if (!question.options.isEmpty())
            placeOptions(printed, question.options, arrangement);
        if (arrangement.writingHeightPt > 0) {
            printed.writingArea =
                QRectF(m_left + pt(14), m_y, m_width - pt(14), pt(arrangement.writingHeightPt));
            m_y += pt(arrangement.writingHeightPt);
        }
        m_y += pt(arrangement.afterPt + m_gapPt);
        m_page.questions.append(printed);
    }

    FormPageLayout take() { return m_page; }

private:
    void placeOptions(FormQuestion& printed, const QStringList& options,
                      const Arrangement& arrangement)
    {
        const QFontMetricsF metrics(printed.optionFont);
        // Choices start under the question number: a hanging indent leaves
        // the numbers alone in a margin column, which Tesseract's layout
        // analysis drops as noise.
        const double indent = m_left;
        const double lead = arrangement.boxes ? pt(kBoxPt + kBoxGapPt) : 0;
        // Wide gaps between choices keep Tesseract from taking them for
        // word spaces and running the words of a label together.
        const double spacing = arrangement.boxes ? pt(40) : pt(34);
        const int columns = arrangement.columns;
        const double columnWidth =
            columns > 0 ? (m_page.pageSize.width() - m_left - indent) / columns : 0;
        double x = indent;
        int column = 0;
        for (const QString& label : options) {
            const double labelWidth = metrics.horizontalAdvance(label);
            FormOption option;
            option.label = label;
            option.labelRect = QRectF(x + lead, m_y, labelWidth, metrics.height());
            if (arrangement.boxes) {
                // The box sits on the text's middle, between baseline and cap height.
                const double middle = m_y + metrics.ascent() - metrics.capHeight() / 2;
                option.box = QRectF(x, middle - pt(kBoxPt) / 2, pt(kBoxPt), pt(kBoxPt));
            }
            printed.options.append(option);
            if (columns > 0) {
                if (++column == columns) {
                    column = 0;
                    x = indent;
                    m_y += pt(kRowPitchPt);
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
            printed.writeInRules.append(
                QLineF(ruleX, ruleY, ruleX + pt(arrangement.writeInPt), ruleY));
        }
        if (columns == 0 || column != 0)
            m_y += pt(kRowPitchPt);
    }

    double m_dpi;
    FormPageLayout m_page;
    double m_left = 0;
    double m_width = 0;
    double m_y = 0;
    double m_gapPt = 0;
};

} // namespace

double formRuleWidth(double dpi)
{
    return 0.8 * dpi / 72.0;
}

FormPageLayout layoutSurveyPage(SurveySide side, double dpi)
{
    PageBuilder builder(side, dpi);
    const bool front = side == SurveySide::front;
    if (front) {
        builder.addCentred(QStringLiteral("KRDA 2026 STEM Fair"),
                           makeFont(QStringLiteral("DejaVu Serif"), 17, dpi, true), 2);
        builder.addCentred(QStringLiteral("Student Survey"),
                           makeFont(QStringLiteral("DejaVu Serif"), 13, dpi), 4);
        builder.addCentred(
            QStringLiteral("Thank you for taking part! Please answer the questions on both sides."),
            makeFont(QStringLiteral("DejaVu Sans"), 9, dpi, false, true), 14);
    }
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    const qint64 first = front ? 1 : 8;
    for (qint64 number = first; number < first + 7; ++number)
        builder.addQuestion(number, questions.value(number));
    builder.addFooter(front ? QStringLiteral("Please turn over")
                            : QStringLiteral("Thank you for your answers!"));
    return builder.take();
}
