#include "EmptyState.h"

#include "Symbols.h"
#include "Theme.h"

#include <QLabel>
#include <QVBoxLayout>

EmptyState::EmptyState(const QString& symbol, const QString& title, const QString& message,
                       QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 48, 24, 48);
    layout->setSpacing(8);
    layout->addStretch();
    auto* icon = new QLabel(this);
    QColor muted = theme::color(theme::Role::secondaryText);
    muted.setAlphaF(0.6);
    icon->setPixmap(symbols::pixmap(symbol, 56, muted, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    m_title = theme::label(title, QStringLiteral("emptyTitle"), this);
    m_title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_title);
    m_message = theme::label(message, QStringLiteral("subtitle"), this);
    m_message->setAlignment(Qt::AlignHCenter);
    layout->addWidget(m_message);
    layout->addStretch();
}

QString EmptyState::title() const
{
    return m_title->text();
}

QString EmptyState::message() const
{
    return m_message->text();
}
