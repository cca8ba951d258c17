#include "Theme.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

namespace theme {

QColor color(Role role)
{
    switch (role) {
    case Role::text:
        return QColor(0x1d, 0x26, 0x33);
    case Role::secondaryText:
        return QColor(0x5d, 0x69, 0x7a);
    case Role::accent:
        return QColor(0x24, 0x57, 0x9c);
    case Role::accentSoft:
        return QColor(0xe3, 0xec, 0xf8);
    case Role::teal:
        return QColor(0x1f, 0x8f, 0x8a);
    case Role::icon:
        return QColor(0x3b, 0x4a, 0x5e);
    case Role::window:
        return QColor(0xf3, 0xf5, 0xf8);
    case Role::card:
        return QColor(0xff, 0xff, 0xff);
    case Role::border:
        return QColor(0xdc, 0xe2, 0xea);
    case Role::success:
        return QColor(0x2e, 0x8b, 0x57);
    case Role::warning:
        return QColor(0xc7, 0x7c, 0x0e);
    case Role::danger:
        return QColor(0xc0, 0x39, 0x2b);
    }
    return Qt::black;
}

namespace {

QString styleSheet()
{
    const auto hex = [](Role role) { return color(role).name(); };
    return QStringLiteral(R"(
QWidget#screen, QScrollArea#screenScroll, QWidget#screenBody { background: %1; }
QFrame#card { background: %2; border: 1px solid %3; border-radius: 10px; }
QFrame#card QLabel { background: transparent; }
QFrame#sidebar { background: #e9edf3; border: none; border-right: 1px solid %3; }
QLabel[role="title"] { font-size: 18pt; font-weight: 600; color: %4; }
QLabel[role="subtitle"] { font-size: 10pt; color: %5; }
QLabel[role="heading"] { font-size: 11pt; font-weight: 600; color: %4; }
QLabel[role="caption"] { font-size: 9pt; color: %5; }
QLabel[role="hint"] { font-size: 9pt; color: %5; font-style: italic; }
QLabel[role="metricValue"] { font-size: 18pt; font-weight: 600; color: %4; }
QLabel[role="metricTitle"] { font-size: 9pt; color: %5; }
QLabel[role="error"] { color: %6; }
QLabel[role="emptyTitle"] { font-size: 14pt; font-weight: 600; color: %4; }
QLabel[role="badge"] { border-radius: 9px; padding: 2px 9px; font-size: 9pt; font-weight: 600; }
QPushButton { padding: 5px 12px; }
QPushButton[primary="true"] { background: %7; color: white; border: 1px solid %7;
    border-radius: 5px; padding: 6px 16px; font-weight: 600; }
QPushButton[primary="true"]:disabled { background: #a9b8cc; border-color: #a9b8cc; }
QPushButton[primary="true"]:hover { background: #2d66b3; }
QToolButton[option="true"] { padding: 5px 10px; border: 1px solid %3; border-radius: 14px;
    background: white; }
QToolButton[option="true"]:checked { background: %7; color: white; border-color: %7; }
QToolButton[option="true"]:focus { border: 2px solid %8; }
QProgressBar { border: 1px solid %3; border-radius: 5px; background: white; text-align: center;
    min-height: 16px; }
QProgressBar::chunk { background: %8; border-radius: 4px; }
QStatusBar { background: #e9edf3; border-top: 1px solid %3; }
)")
        .arg(hex(Role::window), hex(Role::card), hex(Role::border), hex(Role::text),
             hex(Role::secondaryText), hex(Role::danger), hex(Role::accent), hex(Role::teal));
}

} // namespace

void apply(QApplication& application)
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(fusion);
    QPalette palette = application.style()->standardPalette();
    palette.setColor(QPalette::Window, color(Role::window));
    palette.setColor(QPalette::WindowText, color(Role::text));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf6, 0xf8, 0xfb));
    palette.setColor(QPalette::Text, color(Role::text));
    palette.setColor(QPalette::Button, QColor(0xf8, 0xf9, 0xfb));
    palette.setColor(QPalette::ButtonText, color(Role::text));
    palette.setColor(QPalette::Highlight, color(Role::accent));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9a, 0xa4, 0xb2));
    palette.setColor(QPalette::ToolTipBase, Qt::white);
    palette.setColor(QPalette::ToolTipText, color(Role::text));
    application.setPalette(palette);
    QFont font = application.font();
    font.setPointSizeF(10);
    application.setFont(font);
    application.setStyleSheet(styleSheet());
}

QLabel* label(const QString& text, const QString& role, QWidget* parent)
{
    auto* result = new QLabel(text, parent);
    setRole(result, role);
    if (role == QLatin1String("subtitle") || role == QLatin1String("caption") ||
        role == QLatin1String("hint") || role == QLatin1String("error"))
        result->setWordWrap(true);
    return result;
}

void setRole(QWidget* widget, const QString& role)
{
    widget->setProperty("role", role);
    // A changed dynamic property only shows after the style is re-applied.
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

QColor chartColor(int index)
{
    static const QColor colors[] = {
        QColor(0x24, 0x57, 0x9c), QColor(0x1f, 0x8f, 0x8a), QColor(0xf2, 0x9d, 0x38),
        QColor(0x8e, 0x44, 0xad), QColor(0xd3, 0x54, 0x5b), QColor(0x5b, 0xa8, 0x3b),
        QColor(0x3f, 0x9f, 0xd8), QColor(0xc4, 0x8a, 0x1a), QColor(0x6d, 0x5b, 0xa8),
        QColor(0x2c, 0x7a, 0x5a),
    };
    constexpr int count = sizeof(colors) / sizeof(colors[0]);
    return colors[((index % count) + count) % count];
}

QColor notAnsweredColor()
{
    return QColor(0xb8, 0xc0, 0xcc);
}

QVBoxLayout* screenColumn(QWidget* parent)
{
    auto* column = new QVBoxLayout(parent);
    column->setContentsMargins(screenMargin, screenMargin, screenMargin, screenMargin);
    column->setSpacing(cardSpacing);
    return column;
}

} // namespace theme
