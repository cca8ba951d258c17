#pragma once

#include <QCoro/QCoroTask>
#include <QString>

enum class BackSideChoice
{
    scanBacks,
    cancel
};

// Asks the operator, between the two passes of manual two-sided scanning, to
// turn the stack over. The desktop app shows a modal alert with these texts.
class BackSidePrompt
{
public:
    virtual ~BackSidePrompt() = default;

    virtual QCoro::Task<BackSideChoice> askToReloadBacks() = 0;

    static QString message() { return QStringLiteral("Reload back sides"); }
    static QString informativeText()
    {
        return QStringLiteral(
            "Place the survey stack back in the feeder with the back sides ready, preserving the "
            "same order, then continue scanning.");
    }
    static QString continueButton() { return QStringLiteral("Scan Back Sides"); }
};
