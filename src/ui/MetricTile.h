#pragma once

#include <QFrame>

class QLabel;

// One summary number with its title and symbol ("Surveys", "Pages", ...).
class MetricTile : public QFrame
{
    Q_OBJECT
public:
    MetricTile(const QString& title, const QString& symbol, QWidget* parent = nullptr);

    void setValue(const QString& value);
    void setValue(qint64 value) { setValue(QString::number(value)); }
    QString value() const;
    QString title() const;

private:
    QLabel* m_value;
    QLabel* m_title;
};
