#pragma once

#include "model/QuestionReviewItem.h"
#include "store/ReviewPage.h"

#include <QFutureWatcher>
#include <QUrl>
#include <QWidget>

class QGraphicsPixmapItem;
class QGraphicsRectItem;
class QGraphicsScene;
class QGraphicsView;
class QLabel;
class QToolButton;

// The whole page of a review item beside its crop: turned and levelled as it
// was read, with the crop's rectangle outlined. It opens fitted to the view;
// the wheel zooms about the pointer and dragging pans. Pages load off the
// interface thread, so moving between items never waits for them.
class PageView : public QWidget
{
    Q_OBJECT
public:
    explicit PageView(QWidget* parent = nullptr);
    ~PageView() override;

    // Shows the item's page; a page already on screen stays and only the
    // outline moves.
    void showItem(const QuestionReviewItem& item);

    // The item's page is on screen (false while it loads or when it failed).
    bool hasPage() const;
    QSize pageSize() const;
    // The outlined crop in pixels of the page as read; empty when none.
    QRectF outlinedRect() const;
    // Screen pixels per page pixel.
    double zoom() const;
    // What the view says instead of a page, when it says anything.
    QString message() const;

    void zoomBy(double factor);
    void fitPage();

Q_SIGNALS:
    // The page of the last item asked for is on screen, or its failure is.
    void pageShown();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct PageKey
    {
        QUrl file;
        int quarterTurns = 0;
        double skewDegrees = 0;

        bool operator==(const PageKey&) const = default;
    };
    struct LoadedPage
    {
        PageKey key;
        ReviewPage page;
    };
    static PageKey keyOf(const QuestionReviewItem& item);
    void load();
    void loaded();
    void outline(const QRectF& rect);
    void setMessage(const QString& text);

    QLabel* m_caption;
    QLabel* m_message;
    QToolButton* m_zoomOut;
    QToolButton* m_zoomIn;
    QToolButton* m_fit;
    QGraphicsScene* m_scene;
    QGraphicsView* m_view;
    QGraphicsPixmapItem* m_page;
    QGraphicsRectItem* m_outline;
    QFutureWatcher<LoadedPage>* m_loading;
    PageKey m_shown;                 // the page on screen
    QuestionReviewItem m_wantedItem; // the item last asked for
    bool m_hasPage = false;
    bool m_fitted = true; // the whole page in view, until the operator zooms
};
