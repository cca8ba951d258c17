#pragma once

#include <QLabel>

// A small rounded label for states such as "Saved" or "Unsaved changes".
class Badge : public QLabel
{
    Q_OBJECT
public:
    enum class Tone
    {
        neutral,
        accent,
        success,
        warning,
        danger
    };

    explicit Badge(QWidget* parent = nullptr);

    void setState(const QString& text, Tone tone);
    Tone tone() const { return m_tone; }

private:
    Tone m_tone = Tone::neutral;
};
