#include "ScreenPage.h"

#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ScreenPage::ScreenPage(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("screenScroll"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("screenBody"));
    m_column = theme::screenColumn(body);
    setWidget(body);
}

QHBoxLayout* ScreenPage::addHeader(const QString& title, const QString& subtitle,
                                   QLabel** subtitleLabel)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(theme::label(title, QStringLiteral("title")));
    QLabel* line = theme::label(subtitle, QStringLiteral("subtitle"));
    texts->addWidget(line);
    if (subtitleLabel)
        *subtitleLabel = line;
    row->addLayout(texts, 1);
    m_column->addLayout(row);
    return row;
}

QHBoxLayout* makeRow(int spacing)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}
