#include "Card.h"

#include "Symbols.h"
#include "Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

Card::Card(const QString& title, const QString& symbol, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("card"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(theme::cardPadding, theme::cardPadding, theme::cardPadding,
                              theme::cardPadding);
    outer->setSpacing(10);
    if (!title.isEmpty()) {
        auto* header = new QHBoxLayout;
        header->setSpacing(8);
        if (symbols::exists(symbol)) {
            auto* icon = new QLabel(this);
            icon->setPixmap(symbols::pixmap(symbol, 18, theme::color(theme::Role::accent),
                                            devicePixelRatioF()));
            header->addWidget(icon);
        }
        m_title = theme::label(title, QStringLiteral("heading"), this);
        header->addWidget(m_title);
        header->addStretch();
        outer->addLayout(header);
    }
    m_body = new QVBoxLayout;
    m_body->setSpacing(8);
    outer->addLayout(m_body);
}
