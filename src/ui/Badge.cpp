#include "Badge.h"

#include "Theme.h"

Badge::Badge(QWidget* parent) : QLabel(parent)
{
    theme::setRole(this, QStringLiteral("badge"));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setState(QString(), Tone::neutral);
}

void Badge::setState(const QString& text, Tone tone)
{
    setText(text);
    m_tone = tone;
    QColor foreground = theme::color(theme::Role::secondaryText);
    switch (tone) {
    case Tone::neutral:
        break;
    case Tone::accent:
        foreground = theme::color(theme::Role::accent);
        break;
    case Tone::success:
        foreground = theme::color(theme::Role::success);
        break;
    case Tone::warning:
        foreground = theme::color(theme::Role::warning);
        break;
    case Tone::danger:
        foreground = theme::color(theme::Role::danger);
        break;
    }
    QColor background = foreground;
    background.setAlphaF(0.13);
    setStyleSheet(QStringLiteral("color: %1; background: rgba(%2, %3, %4, %5);")
                      .arg(foreground.name())
                      .arg(background.red())
                      .arg(background.green())
                      .arg(background.blue())
                      .arg(background.alphaF(), 0, 'f', 2));
    QLabel::setVisible(!text.isEmpty());
}
