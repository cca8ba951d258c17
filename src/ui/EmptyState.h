#pragma once

#include <QWidget>

class QLabel;

// What a screen shows while it has nothing to show: a symbol, a title and a
// line of explanation, centred.
class EmptyState : public QWidget
{
    Q_OBJECT
public:
    EmptyState(const QString& symbol, const QString& title, const QString& message,
               QWidget* parent = nullptr);

    QString title() const;
    QString message() const;

private:
    QLabel* m_title;
    QLabel* m_message;
};
