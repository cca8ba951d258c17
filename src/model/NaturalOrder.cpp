#include "NaturalOrder.h"

#include <QCollator>

int naturalCompare(const QString& a, const QString& b)
{
    // One collator per thread: QCollator is not safe to share across threads.
    thread_local const QCollator collator = [] {
        QCollator c(QLocale(QLocale::English, QLocale::UnitedStates));
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}
