#include "RenderedSurveyPage.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr int leftMargin = 170;
constexpr int boxSide = 40;

QFont printFont(int pixels, bool bold = false)
{
    // Serif labels: Tesseract reads a sans-serif capital I as "|".
    QFont font(bold ? u"DejaVu Sans"_s : u"DejaVu Serif"_s);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QPen pen(int width)
{
    QPen p(QColor(20, 20, 60), width);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}
} // namespace

RenderedSurveyPage::RenderedSurveyPage() : m_image(2550, 3300, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
}

void RenderedSurveyPage::question(int number, const QString& text)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(printFont(44, true));
    painter.drawText(leftMargin, m_y + 44, u"%1. %2"_s.arg(number).arg(text));
    m_y += 100;
}

void RenderedSurveyPage::optionRow(const QStringList& labels, const QList<Mark>& marks, bool boxes)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(printFont(40));
    const QFontMetrics metrics(painter.font());
    // Choices start under the question number, as on the survey's own form:
    // a number standing alone in a margin column is dropped by Tesseract's
    // layout analysis.
    int x = leftMargin;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const QRect box(x, m_y, boxSide, boxSide);
        if (boxes) {
            painter.setPen(QPen(Qt::black, 3));
            painter.drawRect(box);
            x += boxSide + 30;
        }
        const QRect label(x, m_y + 2, metrics.horizontalAdvance(labels[i]), 38);
        painter.setPen(Qt::black);
        painter.drawText(x, m_y + 34, labels[i]);
        drawMark(painter, box, label, marks.value(i, Mark::none));
        x += label.width() + (boxes ? 110 : 170);
    }
    m_y += 130;
}

void RenderedSurveyPage::optionColumn(const QStringList& labels, const QList<Mark>& marks)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(printFont(40));
    const QFontMetrics metrics(painter.font());
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const int x = leftMargin;
        const QRect box(x, m_y, boxSide, boxSide);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawRect(box);
        const QRect label(x + boxSide + 30, m_y + 2, metrics.horizontalAdvance(labels[i]), 38);
        painter.setPen(Qt::black);
        painter.drawText(label.left(), m_y + 34, labels[i]);
        drawMark(painter, box, label, marks.value(i, Mark::none));
        m_y += 76;
    }
    m_y += 60;
}

void RenderedSurveyPage::drawMark(QPainter& painter, const QRect& box, const QRect& label,
                                  Mark mark)
{
    painter.save();
    painter.setPen(pen(6));
    switch (mark) {
    case Mark::none:
        break;
    case Mark::tick:
        painter.setPen(pen(9));
        painter.drawPolyline(QPolygon({box.topLeft() + QPoint(6, 20), box.center() + QPoint(-3, 14),
                                       box.topRight() + QPoint(2, -6)}));
        break;
    case Mark::cross:
        painter.drawLine(box.topLeft() + QPoint(3, 3), box.bottomRight() - QPoint(3, 3));
        painter.drawLine(box.topRight() + QPoint(-3, 3), box.bottomLeft() + QPoint(3, -3));
        break;
    case Mark::crossBefore: {
        const QRect before(label.left() - 62, label.top(), 40, 40);
        painter.drawLine(before.topLeft(), before.bottomRight());
        painter.drawLine(before.topRight(), before.bottomLeft());
        break;
    }
    case Mark::sprawlingCross: {
        painter.setPen(pen(8));
        const QRect wide = box.adjusted(-25, -30, 60, 30);
        painter.drawLine(wide.topLeft(), wide.bottomRight());
        painter.drawLine(wide.topRight(), wide.bottomLeft());
        break;
    }
    case Mark::fill:
        painter.fillRect(box.adjusted(4, 4, -3, -3), QColor(30, 30, 70));
        break;
    case Mark::circle:
        // A quick pen ring that swings under the label and up its sides;
        // closed rings over the letters make them unreadable to Tesseract.
        painter.setPen(pen(5));
        painter.drawArc(label.adjusted(-24, -22, 24, 22), 160 * 16, 220 * 16);
        break;
    case Mark::paleRing:
        painter.setPen(QPen(QColor(205, 205, 205), 4));
        painter.drawEllipse(box.united(label).adjusted(-20, -18, 20, 18));
        break;
    }
    painter.restore();
}

void RenderedSurveyPage::doodle(int below)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(110, 110, 110), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath path;
    const double y = m_y + below;
    path.moveTo(1100, y);
    for (int i = 0; i < 4; ++i)
        path.cubicTo(1130 + 60 * i, y - 30, 1150 + 60 * i, y + 30, 1160 + 60 * i, y);
    painter.drawPath(path);
}

void RenderedSurveyPage::handwriting(int lines)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen(7));
    for (int line = 0; line < lines; ++line) {
        QPainterPath path;
        const double baseline = m_y + 60 + line * 110;
        double x = leftMargin + 80;
        path.moveTo(x, baseline);
        while (x < 1900) {
            m_seed = m_seed * 1103515245u + 12345u;
            const double height = 30 + double((m_seed >> 16) % 40);
            const double width = 26 + double((m_seed >> 8) % 30);
            path.cubicTo(x + width * 0.2, baseline - height, x + width * 0.8, baseline - height,
                         x + width, baseline);
            path.cubicTo(x + width * 1.1, baseline + 14, x + width * 1.3, baseline - 8,
                         x + width * 1.4, baseline);
            x += width * 1.4;
            if ((m_seed >> 20) % 5 == 0) {
                x += 40; // a gap between words
                path.moveTo(x, baseline);
            }
        }
        painter.drawPath(path);
    }
    m_y += 60 + lines * 110 + 40;
}

void RenderedSurveyPage::scrawl(const QString& letters)
{
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(u"DejaVu Serif"_s);
    font.setItalic(true);
    font.setPixelSize(60);
    painter.setFont(font);
    painter.setPen(pen(7));
    painter.drawText(QPointF(leftMargin + 80, m_y + 80), letters);
    m_y += 140;
}
