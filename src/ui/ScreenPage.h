#pragma once

#include <QScrollArea>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

// The frame of a scrolling screen: a column with the screen's margins and
// spacing, whose width follows the window.
class ScreenPage : public QScrollArea
{
    Q_OBJECT
public:
    explicit ScreenPage(QWidget* parent = nullptr);

    QVBoxLayout* column() const { return m_column; }

    // A title with a line of explanation under it; returns the row so callers
    // can add buttons beside the texts.
    QHBoxLayout* addHeader(const QString& title, const QString& subtitle,
                           QLabel** subtitleLabel = nullptr);

private:
    QVBoxLayout* m_column;
};

// A row of buttons or tiles with the shared spacing.
QHBoxLayout* makeRow(int spacing = 8);
