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
        for (const QLineF& line : question.writeInRules)
            painter.drawLine(line);
    }
}

void fillIn(QPainter& painter, const FormPageLayout& layout, const SampleAnswerSheet& sheet,
            QRandomGenerator& random)
{
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
            case MarkStyle::circle:
                break;
            }
        }
    }
}

QImage paperFor(const FormPageLayout& layout)
{
    QImage page(layout.pageSize.toSize(), QImage::Format_RGB32);
    page.fill(Qt::white);
    const int dotsPerMetre = qRound(layout.dpi / 0.0254);
    page.setDotsPerMeterX(dotsPerMetre);
    page.setDotsPerMeterY(dotsPerMetre);
    return page;
}

} // namespace

QImage renderBlankSurveyPage(SurveySide side, double dpi)
{
    const FormPageLayout layout = layoutSurveyPage(side, dpi);
    QImage page = paperFor(layout);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    printForm(painter, layout);
    painter.end();
    return page.convertToFormat(QImage::Format_Grayscale8);
}

QImage renderSurveyPage(const SampleAnswerSheet& sheet, SurveySide side,
                        const SampleRenderOptions& options)
{
    const FormPageLayout layout = layoutSurveyPage(side, options.dpi);
    QImage page = paperFor(layout);
    QRandomGenerator random(options.seed ^ quint32(sheet.surveyNumber * 7919) ^
                            (side == SurveySide::back ? 0x5bd1e995u : 0u));
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    printForm(painter, layout);
    fillIn(painter, layout, sheet, random);
    painter.end();
    QImage scanned = page.convertToFormat(QImage::Format_Grayscale8);
    scanned = skewed(scanned, options.skewDegrees);
    scanned = withScannerNoise(scanned, options.noise, random.generate());
    scanned = turned(scanned, options.quarterTurns);
    scanned = jpegRoundTrip(scanned, options.jpegQuality);
    const int dotsPerMetre = qRound(options.dpi / 0.0254);
    scanned.setDotsPerMeterX(dotsPerMetre);
    scanned.setDotsPerMeterY(dotsPerMetre);
    return scanned;
}
