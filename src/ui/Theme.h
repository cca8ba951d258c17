#pragma once

#include <QColor>
#include <QString>

class QApplication;
class QLabel;
class QVBoxLayout;
class QWidget;

// The application's look: one palette and style sheet, and named text roles
// so that every screen uses the same sizes and colours.
namespace theme {

enum class Role
{
    text,
    secondaryText,
    accent,
    accentSoft,
    teal,
    icon,
    window,
    card,
    border,
    success,
    warning,
    danger,
};

// Colours of the current palette: the desktop's surfaces and text, with the
// brand colours as accents.
QColor color(Role role);
bool isDark();

// Fusion style over the desktop's palette and font, and the style sheet.
void apply(QApplication& application);

// Text roles the style sheet knows: "title", "subtitle", "heading",
// "caption", "metricValue", "metricTitle", "error", "hint".
QLabel* label(const QString& text, const QString& role, QWidget* parent = nullptr);
void setRole(QWidget* widget, const QString& role);

// Spacing shared by every screen.
constexpr int screenMargin = 24;
constexpr int cardSpacing = 16;
constexpr int cardPadding = 16;

// A screen's column of cards: the screen's margins and spacing.
QVBoxLayout* screenColumn(QWidget* parent);

// Colours for pie sectors, cycling; "N/A" gets a neutral grey.
QColor chartColor(int index);
QColor notAnsweredColor();

} // namespace theme
