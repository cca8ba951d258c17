#pragma once

#include <QImage>
#include <QWidget>

// A review crop, drawn as large as the space allows while keeping its shape;
// small crops are enlarged at most twice so the ink stays crisp.
class CropView : public QWidget
{
    Q_OBJECT
public:
    explicit CropView(QWidget* parent = nullptr);

    // False when the file could not be read; the view then says so.
    bool setImageFile(const QString& path);
    const QImage& image() const { return m_image; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF imageRect(const QRectF& area) const;

    QImage m_image;
    QString m_missingText;
};
