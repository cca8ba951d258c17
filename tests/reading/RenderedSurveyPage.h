#pragma once

#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>
#include <QStringList>

// A printed survey page drawn for the reader's tests at 300 dpi: numbered
// questions, check boxes left of labels or bare labels to circle, and pen
// marks, ticks, crosses, circles and handwriting-like strokes.
class RenderedSurveyPage
{
public:
    enum class Mark
    {
        none,
        tick,
        cross,
        fill,
        circle,
        crossBefore,    // a cross in the space just left of the label
        sprawlingCross, // a cross far past its box, its arm through the label
        paleRing        // pencil pressed lightly, round box and label
    };

    RenderedSurveyPage();

    void question(int number, const QString& text);
    // Options side by side, each with a check box (boxes) or bare (to circle).
    void optionRow(const QStringList& labels, const QList<Mark>& marks, bool boxes);
    // Options one under the other, each with a check box.
    void optionColumn(const QStringList& labels, const QList<Mark>& marks);
    // A few lines of pen strokes that look like cursive writing.
    void handwriting(int lines);
    // A short answer written in a plain hand, as legible as print.
    void scrawl(const QString& letters);
    void space(int pixels) { m_y += pixels; }
    // A pencil doodle `below` pixels under where the next line would start,
    // in the middle of the page; the next line does not move.
    void doodle(int below);

    QImage image() const { return m_image; }

private:
    static void drawMark(QPainter& painter, const QRect& box, const QRect& label, Mark mark);

    QImage m_image;
    int m_y = 180;
    quint32 m_seed = 7;
};
