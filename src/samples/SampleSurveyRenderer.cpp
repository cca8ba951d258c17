#include "SampleSurveyRenderer.h"

#include "samples/PageDegradation.h"
#include "samples/PenStrokes.h"
#include "samples/SampleFormLayout.h"

#include <QPainter>

namespace {

void printForm(QPainter& painter, const FormPageLayout& layout)
{
    painter.setPen(Qt::black);
    for (const FormText& text : layout.decorations) {
        painter.setFont(text.font);
        painter.drawText(text.rect, Qt::AlignLeft | Qt::AlignTop, text.text);
    }
    QPen rule(Qt::black, formRuleWidth(layout.dpi));
    for (const FormQuestion& question : layout.questions) {
        painter.setPen(Qt::black);
        for (const FormText& line : question.heading) {
            painter.setFont(line.font);
            painter.drawText(line.rect, Qt::AlignLeft | Qt::AlignTop, line.text);
        }
        painter.setFont(question.optionFont);
        for (const FormOption& option : question.options) {
            painter.setPen(Qt::black);
            painter.drawText(option.labelRect, Qt::AlignLeft | Qt::AlignTop, option.label);
            if (option.box) {
                painter.setPen(rule);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(*option.box);
            }
        }
        painter.setPen(rule);
        painter.setBrush(Qt::NoBrush);
        for (const QLineF& line : question.writeInRules)
            painter.drawLine(line);
        for (const QLineF& line : question.answerRules)
            painter.drawLine(line);
        if (question.writing == WritingSpace::box)
            painter.drawRect(question.writingArea);
    }
}

InkStyle inkFor(const SampleAnswerSheet& sheet)
{
    InkStyle ink;
    if (sheet.tremor == 0 && sheet.overshoot == 0 && sheet.pen == PenKind::blueBallpoint &&
        sheet.inkTone == 0)
        return ink; // the classic steady blue-black pen
    ink.tremor = sheet.tremor;
    ink.overshoot = sheet.overshoot;
    const double tone = sheet.inkTone;
    switch (sheet.pen) {
    case PenKind::blueBallpoint:
        ink.colour = QColor(int(28 + 30 * tone), int(38 + 52 * tone), int(105 + 85 * tone));
        break;
    case PenKind::blackBallpoint:
        ink.colour = QColor(int(18 + 30 * tone), int(18 + 30 * tone), int(24 + 34 * tone));
        break;
    case PenKind::pencil:
        ink.colour = QColor(int(110 + 40 * tone), int(110 + 40 * tone), int(115 + 40 * tone));
        ink.pencil = true;
        break;
    }
    ink.widthScale = 0.8 + 0.45 * tone;
    return ink;
}

// The lines handwriting sits on: the printed rules, or lines of its own in
// an open box or blank space (none for the classic form's free scrawl).
QList<QLineF> handwritingLines(const FormQuestion& question, double dpi, QRandomGenerator& random)
{
    if (question.writing == WritingSpace::ruled)
        return question.answerRules;
    const QRectF area = question.writing == WritingSpace::box
                            ? question.writingArea.adjusted(dpi / 12, 0, -dpi / 12, 0)
                            : question.writingArea;
    const double pitch = dpi / 72.0 * (18 + random.bounded(10));
    QList<QLineF> lines;
    for (double y = area.top() + pitch; y <= area.bottom() - pitch * 0.2; y += pitch)
        lines.append(QLineF(area.left(), y, area.right(), y));
    return lines;
}

void mark(PenStrokes& pen, const FormOption& option, MarkStyle style)
{
    const bool boxed = option.box.has_value();
    switch (style) {
    case MarkStyle::tick:
        boxed ? pen.tick(*option.box) : pen.tickBefore(option.labelRect);
        return;
    case MarkStyle::cross:
        boxed ? pen.cross(*option.box) : pen.crossBefore(option.labelRect);
        return;
    case MarkStyle::filledBox:
        boxed ? pen.fill(*option.box) : pen.ringAround(option.labelRect, RingFit::loose);
        return;
    case MarkStyle::scribble:
        boxed ? pen.scribble(*option.box) : pen.ringAround(option.labelRect, RingFit::loose);
        return;
    case MarkStyle::circle:
        pen.ringAround(option.labelRect, RingFit::loose);
        return;
    case MarkStyle::tightCircle:
        pen.ringAround(option.labelRect, RingFit::tight);
        return;
    case MarkStyle::circleBoxAndLabel:
        pen.ringAround(boxed ? option.labelRect | *option.box : option.labelRect, RingFit::tight);
        return;
    case MarkStyle::tickBeforeLabel:
        pen.tickBefore(boxed ? *option.box : option.labelRect);
        return;
    case MarkStyle::crossBeforeLabel:
        pen.crossBefore(boxed ? *option.box : option.labelRect);
        return;
    }
}

// A respondent of a varied stack: any pen, any mark, words on the lines.
void fillInByHand(QPainter& painter, const FormPageLayout& layout, const SampleAnswerSheet& sheet,
                  QRandomGenerator& random, const InkStyle& ink)
{
    PenStrokes pen(painter, layout.dpi, random, ink);
    for (const FormQuestion& question : layout.questions) {
        const SampleAnswer answer = sheet.answers.value(question.number - 1);
        const int words = int(answer.writtenText.split(QLatin1Char(' ')).size());
        if (question.writingArea.isValid() && answer.handwriting)
            pen.handwritingOnLines(handwritingLines(question, layout.dpi, random), words);
        for (const FormOption& option : question.options) {
            if (answer.chosen.contains(option.label))
                mark(pen, option, answer.style);
        }
        if (!answer.writeInText.isEmpty() && !question.writeInRules.isEmpty())
            pen.handwritingOnLines(question.writeInRules,
                                   int(answer.writeInText.split(QLatin1Char(' ')).size()));
    }
}

void fillIn(QPainter& painter, const FormPageLayout& layout, const SampleAnswerSheet& sheet,
            QRandomGenerator& random)
{
    const InkStyle ink = inkFor(sheet);
    if (!ink.isClassic()) {
        fillInByHand(painter, layout, sheet, random, ink);
        return;
    }
    PenStrokes pen(painter, layout.dpi, random);
    for (const FormQuestion& question : layout.questions) {
        const SampleAnswer answer = sheet.answers.value(question.number - 1);
        if (question.writingArea.isValid() && answer.handwriting) {
            const int words = qMax(1, int(answer.writtenText.split(QLatin1Char(' ')).size()));
            pen.handwriting(question.writingArea.adjusted(0, 0, 0, 0), words);
        }
        for (const FormOption& option : question.options) {
            if (!answer.chosen.contains(option.label))
                continue;
            if (!option.box || answer.style == MarkStyle::circle) {
                pen.ring(option.labelRect);
                continue;
            }
            switch (answer.style) {
            case MarkStyle::tick:
                pen.tick(*option.box);
                break;
            case MarkStyle::cross:
                pen.cross(*option.box);
                break;
            case MarkStyle::filledBox:
                pen.fill(*option.box);
                break;
            default:
                mark(pen, option, answer.style);
                break;
            }
        }
    }
}

QColor paperColour(PaperTone tone)
{
    switch (tone) {
    case PaperTone::white:
        break;
    case PaperTone::grey:
        return QColor(222, 222, 219);
    case PaperTone::yellowish:
        return QColor(247, 238, 206);
    }
    return Qt::white;
}

// Pencil doodles where the margins are free: left, right or foot of the page.
void doodle(QPainter& painter, const FormPageLayout& layout, int count, QRandomGenerator& random)
{
    PenStrokes pen(painter, layout.dpi, random);
    const double inch = layout.dpi;
    const QSizeF page = layout.pageSize;
    const QRectF margins[] = {
        QRectF(inch * 0.08, page.height() * 0.15, inch * 0.4, page.height() * 0.6),
        QRectF(page.width() - inch * 0.5, page.height() * 0.15, inch * 0.4, page.height() * 0.6),
        QRectF(page.width() * 0.15, page.height() - inch * 0.5, page.width() * 0.3, inch * 0.3)};
    for (int i = 0; i < count; ++i) {
        const QRectF& margin = margins[random.bounded(3)];
        const double w = margin.width() * (0.5 + 0.5 * random.generateDouble());
        const double h = qMin(margin.height(), inch * (0.3 + 0.9 * random.generateDouble()));
        const QPointF corner(margin.left() + random.generateDouble() * (margin.width() - w),
                             margin.top() + random.generateDouble() * (margin.height() - h));
        pen.squiggle(QRectF(corner, QSizeF(w, h)));
    }
}

QImage paperFor(const FormPageLayout& layout, PaperTone tone = PaperTone::white)
{
    QImage page(layout.pageSize.toSize(), QImage::Format_RGB32);
    page.fill(paperColour(tone));
    const int dotsPerMetre = qRound(layout.dpi / 0.0254);
    page.setDotsPerMeterX(dotsPerMetre);
    page.setDotsPerMeterY(dotsPerMetre);
    return page;
}

} // namespace

QImage renderBlankSurveyPage(SurveySide side, double dpi, const FormStyle& form)
{
    const FormPageLayout layout = layoutSurveyPage(side, dpi, form);
    QImage page = paperFor(layout);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    printForm(painter, layout);
    painter.end();
    return page.convertToFormat(QImage::Format_Grayscale8);
}

QString paperToneName(PaperTone tone)
{
    static const char* const names[] = {"white", "grey", "yellowish"};
    return QLatin1String(names[int(tone)]);
}

QImage renderSurveyPage(const SampleAnswerSheet& sheet, SurveySide side,
                        const SampleRenderOptions& options)
{
    const FormPageLayout layout = layoutSurveyPage(side, options.dpi, options.form);
    QImage page = paperFor(layout, options.paper);
    QRandomGenerator random(options.seed ^ quint32(sheet.surveyNumber * 7919) ^
                            (side == SurveySide::back ? 0x5bd1e995u : 0u));
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    printForm(painter, layout);
    fillIn(painter, layout, sheet, random);
    if (options.squiggles > 0)
        doodle(painter, layout, options.squiggles, random);
    painter.end();
    QImage scanned = options.colour ? page : page.convertToFormat(QImage::Format_Grayscale8);
    scanned = skewed(scanned, options.skewDegrees);
    scanned = blurred(scanned, options.blur);
    if (options.unevenLamp > 0)
        scanned = unevenlyLit(scanned, options.unevenLamp, random.generate());
    scanned = options.form.isClassic() ? withScannerNoise(scanned, options.noise, random.generate())
                                       : withSensorNoise(scanned, options.noise, random.generate());
    scanned = turned(scanned, options.quarterTurns);
    scanned = jpegRoundTrip(scanned, options.jpegQuality);
    const int dotsPerMetre = qRound(options.dpi / 0.0254);
    scanned.setDotsPerMeterX(dotsPerMetre);
    scanned.setDotsPerMeterY(dotsPerMetre);
    return scanned;
}
