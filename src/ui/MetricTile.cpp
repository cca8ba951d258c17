#include "MetricTile.h"

#include "Symbols.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

MetricTile::MetricTile(const QString& title, const QString& symbol, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("card"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    if (symbols::exists(symbol)) {
        auto* icon = new QLabel(this);
        icon->setPixmap(
            symbols::pixmap(symbol, 26, theme::color(theme::Role::teal), devicePixelRatioF()));
        layout->addWidget(icon, 0, Qt::AlignVCenter);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_value = theme::label(QStringLiteral("0"), QStringLiteral("metricValue"), this);
    m_title = theme::label(title, QStringLiteral("metricTitle"), this);
    texts->addWidget(m_value);
    texts->addWidget(m_title);
    layout->addLayout(texts);
    layout->addStretch();
    setAccessibleName(title);
}

void MetricTile::setValue(const QString& value)
{
    m_value->setText(value);
}

QString MetricTile::value() const
{
    return m_value->text();
}

QString MetricTile::title() const
{
    return m_title->text();
}
