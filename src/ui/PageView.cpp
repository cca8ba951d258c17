#include "PageView.h"

#include "ReviewKeys.h"
#include "Theme.h"
#include "store/ReviewPage.h"

#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace {

constexpr double smallestZoom = 0.05;
constexpr double largestZoom = 4.0;
constexpr double zoomStep = 1.25;

// The wheel zooms about the pointer; dragging pans.
class PageCanvas : public QGraphicsView
{
public:
    using QGraphicsView::QGraphicsView;

    std::function<void(double)> zoomBy;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        const double notches = event->angleDelta().y() / 120.0;
        if (notches == 0 || !zoomBy) {
            QGraphicsView::wheelEvent(event);
            return;
        }
        const ViewportAnchor anchor = transformationAnchor();
        setTransformationAnchor(AnchorUnderMouse);
        zoomBy(std::pow(zoomStep, notches));
        setTransformationAnchor(anchor);
        event->accept();
    }
};

QToolButton* toolButton(const QString& text, const QString& tip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QString keyText(const QKeySequence& keys)
{
    return keys.toString(QKeySequence::NativeText);
}

} // namespace

PageView::PageView(QWidget* parent)
    : QWidget(parent), m_loading(new QFutureWatcher<LoadedPage>(this))
{
    setObjectName(QStringLiteral("pageView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* header = new QHBoxLayout;
    m_caption = theme::label(QString(), QStringLiteral("caption"), this);
    m_caption->setObjectName(QStringLiteral("pageCaption"));
    header->addWidget(m_caption, 1);
    m_zoomOut =
        toolButton(QStringLiteral("−"),
                   QStringLiteral("Zoom out (%1)").arg(keyText(reviewkeys::zoomOut())), this);
    m_zoomIn = toolButton(QStringLiteral("+"),
                          QStringLiteral("Zoom in (%1)").arg(keyText(reviewkeys::zoomIn())), this);
    m_fit =
        toolButton(QStringLiteral("Fit"),
                   QStringLiteral("The whole page (%1)").arg(keyText(reviewkeys::fitPage())), this);
    for (QToolButton* button : {m_zoomOut, m_zoomIn, m_fit})
        header->addWidget(button);
    layout->addLayout(header);

    m_scene = new QGraphicsScene(this);
    auto* canvas = new PageCanvas(m_scene, this);
    canvas->zoomBy = [this](double factor) { zoomBy(factor); };
    m_view = canvas;
    m_view->setObjectName(QStringLiteral("pageCanvas"));
    m_view->setToolTip(QStringLiteral("The page as it was read; the outline is the crop. "
                                      "Wheel: zoom, drag: move"));
    m_view->setDragMode(QGraphicsView::ScrollHandDrag);
    m_view->setRenderHint(QPainter::SmoothPixmapTransform);
    m_view->setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    m_view->setFocusPolicy(Qt::StrongFocus);
    m_view->setMinimumSize(200, 200);
    m_page = m_scene->addPixmap(QPixmap());
    m_page->setTransformationMode(Qt::SmoothTransformation);
    QPen pen(theme::color(theme::Role::danger), 3);
    pen.setCosmetic(true);
    m_outline = m_scene->addRect(QRectF(), pen);
    m_outline->setZValue(1);
    layout->addWidget(m_view, 1);
    m_message = theme::label(QString(), QStringLiteral("caption"), this);
    m_message->setObjectName(QStringLiteral("pageMessage"));
    m_message->setWordWrap(true);
    m_message->hide();
    layout->addWidget(m_message);

    connect(m_zoomOut, &QToolButton::clicked, this, [this] { zoomBy(1 / zoomStep); });
    connect(m_zoomIn, &QToolButton::clicked, this, [this] { zoomBy(zoomStep); });
    connect(m_fit, &QToolButton::clicked, this, &PageView::fitPage);
    connect(m_loading, &QFutureWatcher<LoadedPage>::finished, this, &PageView::loaded);
}

PageView::~PageView()
{
    // The load keeps running; its result is simply not wanted any more.
    m_loading->disconnect(this);
}

PageView::PageKey PageView::keyOf(const QuestionReviewItem& item)
{
    return {item.pageURL, item.quarterTurns, item.skewDegrees};
}

void PageView::showItem(const QuestionReviewItem& item)
{
    m_caption->setText(QStringLiteral("Page %1 as read  ·  Survey %2, Q%3")
                           .arg(item.pageNumber)
                           .arg(item.surveyNumber)
                           .arg(item.questionNumber));
    m_wantedItem = item;
    if (m_hasPage && keyOf(item) == m_shown) {
        outline(item.cropRect);
        Q_EMIT pageShown();
        return;
    }
    m_hasPage = false;
    m_page->setPixmap(QPixmap());
    outline(QRectF());
    setMessage(QStringLiteral("Loading the page…"));
    // A load under way for another page ends first; loaded() then asks again.
    if (!m_loading->isRunning())
        load();
}

void PageView::load()
{
    m_loading->setFuture(QtConcurrent::run([item = m_wantedItem] {
        return LoadedPage{keyOf(item), loadReviewPage(item)};
    }));
}

void PageView::loaded()
{
    const LoadedPage result = m_loading->result();
    if (result.key != keyOf(m_wantedItem)) {
        load();
        return;
    }
    if (result.page.image.isNull()) {
        setMessage(result.page.failure);
        Q_EMIT pageShown();
        return;
    }
    setMessage(QString());
    m_page->setPixmap(QPixmap::fromImage(result.page.image));
    m_scene->setSceneRect(m_page->boundingRect());
    m_shown = result.key;
    m_hasPage = true;
    outline(m_wantedItem.cropRect);
    fitPage();
    Q_EMIT pageShown();
}

void PageView::outline(const QRectF& rect)
{
    m_outline->setRect(rect);
    m_outline->setVisible(!rect.isEmpty());
    if (!rect.isEmpty())
        m_view->ensureVisible(rect, 24, 24);
}

void PageView::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

bool PageView::hasPage() const
{
    return m_hasPage;
}

QSize PageView::pageSize() const
{
    return m_hasPage ? m_page->pixmap().size() : QSize();
}

QRectF PageView::outlinedRect() const
{
    return m_outline->isVisible() ? m_outline->rect() : QRectF();
}

double PageView::zoom() const
{
    return m_view->transform().m11();
}

QString PageView::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void PageView::zoomBy(double factor)
{
    if (!m_hasPage)
        return;
    const double target = std::clamp(zoom() * factor, smallestZoom, largestZoom);
    const double by = target / zoom();
    m_view->scale(by, by);
    m_fitted = false;
}

void PageView::fitPage()
{
    m_fitted = true;
    if (m_hasPage)
        m_view->fitInView(m_page, Qt::KeepAspectRatio);
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_fitted)
        fitPage();
}
