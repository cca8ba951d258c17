#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QVBoxLayout;

// A white rounded panel with an optional heading (symbol and title); screens
// put their groups of controls into its body.
class Card : public QFrame
{
    Q_OBJECT
public:
    explicit Card(const QString& title = {}, const QString& symbol = {}, QWidget* parent = nullptr);

    QVBoxLayout* body() const { return m_body; }
    QLabel* titleLabel() const { return m_title; }

private:
    QVBoxLayout* m_body;
    QLabel* m_title = nullptr;
};
