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

    // After a template scan of one side on the flatbed: whether the blank
    // form has a back to scan. Prompts that do not know say no.
    virtual QCoro::Task<BackSideChoice> askForTemplateBackSide()
    {
        co_return BackSideChoice::cancel;
    }

    static QString templateMessage() { return QStringLiteral("Scan the back side?"); }
    static QString templateInformativeText()
    {
        return QStringLiteral("Turn the blank form over on the glass to scan its back side, or "
                              "choose Done if it has only one side.");
    }
    static QString templateBackButton() { return QStringLiteral("Scan Back Side"); }
    static QString templateDoneButton() { return QStringLiteral("Done"); }

    static QString message() { return QStringLiteral("Reload back sides"); }
    static QString informativeText()
    {
        return QStringLiteral(
            "Place the survey stack back in the feeder with the back sides ready, preserving the "
            "same order, then continue scanning.");
    }
    static QString continueButton() { return QStringLiteral("Scan Back Sides"); }
};
