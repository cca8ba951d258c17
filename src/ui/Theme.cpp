#include "Theme.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>

namespace theme {

namespace {

QColor blend(const QColor& from, const QColor& to, double amount)
{
    const auto mix = [amount](double a, double b) { return a + (b - a) * amount; };
    return QColor::fromRgbF(static_cast<float>(mix(from.redF(), to.redF())),
                            static_cast<float>(mix(from.greenF(), to.greenF())),
                            static_cast<float>(mix(from.blueF(), to.blueF())));
}

} // namespace

bool isDark()
{
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}

QColor color(Role role)
{
    // The desktop's palette gives the surfaces and text; the brand colours
    // are accents, lifted on a dark desktop so they stay readable.
    const QPalette palette = QGuiApplication::palette();
    const bool dark = isDark();
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    const QColor brand = dark ? QColor(0x6e, 0xa2, 0xe6) : QColor(0x24, 0x57, 0x9c);
    switch (role) {
    case Role::text:
        return text;
    case Role::secondaryText:
        return blend(text, window, 0.38);
    case Role::accent:
        return brand;
    case Role::accentSoft:
        return blend(brand, palette.color(QPalette::Base), 0.82);
    case Role::teal:
        return dark ? QColor(0x4c, 0xc2, 0xbb) : QColor(0x1f, 0x8f, 0x8a);
    case Role::icon:
        return blend(text, window, 0.2);
    case Role::window:
        return window;
    case Role::card:
        return palette.color(QPalette::Base);
    case Role::border:
        return blend(text, window, 0.82);
    case Role::success:
        return dark ? QColor(0x5c, 0xc0, 0x85) : QColor(0x2e, 0x8b, 0x57);
    case Role::warning:
        return dark ? QColor(0xe8, 0xa8, 0x3e) : QColor(0xc7, 0x7c, 0x0e);
    case Role::danger:
        return dark ? QColor(0xf0, 0x6c, 0x5e) : QColor(0xc0, 0x39, 0x2b);
    }
    return text;
}

namespace {

QString styleSheet(double base)
{
    const auto hex = [](Role role) { return color(role).name(); };
    // Text sizes follow the desktop's font size.
    const auto pt = [base](double factor) { return QString::number(base * factor, 'f', 1); };
    const QString chrome = blend(color(Role::window), color(Role::text), 0.05).name();
    return QStringLiteral(R"(
QWidget#screen, QScrollArea#screenScroll, QWidget#screenBody { background: %1; }
QFrame#card { background: %2; border: 1px solid %3; border-radius: 10px; }
QFrame#card QLabel { background: transparent; }
QFrame#sidebar { background: %9; border: none; border-right: 1px solid %3; }
QLabel[role="title"] { font-size: %10pt; font-weight: 600; color: %4; }
QLabel[role="subtitle"] { font-size: %11pt; color: %5; }
QLabel[role="heading"] { font-size: %12pt; font-weight: 600; color: %4; }
QLabel[role="caption"] { font-size: %13pt; color: %5; }
QLabel[role="hint"] { font-size: %13pt; color: %5; font-style: italic; }
QLabel[role="metricValue"] { font-size: %10pt; font-weight: 600; color: %4; }
QLabel[role="metricTitle"] { font-size: %13pt; color: %5; }
QLabel[role="error"] { color: %6; }
QLabel[role="emptyTitle"] { font-size: %14pt; font-weight: 600; color: %4; }
QLabel[role="badge"] { border-radius: 9px; padding: 2px 9px; font-size: %13pt; font-weight: 600; }
QPushButton { padding: 5px 12px; }
QPushButton[primary="true"] { background: %7; color: white; border: 1px solid %7;
    border-radius: 5px; padding: 6px 16px; font-weight: 600; }
QPushButton[primary="true"]:disabled { background: %3; border-color: %3; }
QPushButton[primary="true"]:focus { border: 2px solid %8; }
QToolButton[option="true"] { padding: 5px 10px; border: 1px solid %3; border-radius: 14px;
    background: %2; color: %4; }
QToolButton[option="true"]:checked { background: %7; color: white; border-color: %7; }
QToolButton[option="true"]:focus { border: 2px solid %8; }
QListWidget:focus, QLineEdit:focus, QTableView:focus, QComboBox:focus, QGraphicsView:focus {
    border: 2px solid %8; }
QProgressBar { border: 1px solid %3; border-radius: 5px; background: %2; text-align: center;
    min-height: 16px; }
QProgressBar::chunk { background: %8; border-radius: 4px; }
QStatusBar { background: %9; border-top: 1px solid %3; }
)")
        .arg(hex(Role::window), hex(Role::card), hex(Role::border), hex(Role::text),
             hex(Role::secondaryText), hex(Role::danger), hex(Role::accent), hex(Role::teal),
             chrome)
        .arg(pt(1.8), pt(1.0), pt(1.1), pt(0.9), pt(1.4));
}

} // namespace

void apply(QApplication& application)
{
    // The desktop's palette, as the platform theme gave it, before Fusion
    // would replace it with its own light one.
    QPalette palette = application.palette();
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(fusion);
    palette.setColor(QPalette::Highlight, color(Role::accent));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, color(Role::accent));
    application.setPalette(palette);
    const double base = application.font().pointSizeF() > 0 ? application.font().pointSizeF() : 10;
    application.setStyleSheet(styleSheet(base));
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
