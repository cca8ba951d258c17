#pragma once

#include <QCoro/QCoroTask>
#include <QStringList>

// Which pages a choice of files holds: every page, or, for manual two-sided
// surveys, the front sides and then the back sides.
enum class ImportSides
{
    all,
    fronts,
    backs,
};

// Asks the operator for image or PDF files (or folders of them) to import as
// a batch. The desktop app shows a file panel; an empty list means the
// operator canceled.
class ImportFileChooser
{
public:
    virtual ~ImportFileChooser() = default;

    virtual QCoro::Task<QStringList> chooseFiles(ImportSides sides) = 0;

    // The panel's title for each choice.
    static QString title(ImportSides sides)
    {
        switch (sides) {
        case ImportSides::fronts:
            return QStringLiteral("Import Front Sides");
        case ImportSides::backs:
            return QStringLiteral("Import Back Sides");
        case ImportSides::all:
            break;
        }
        return QStringLiteral("Import Scanned Files");
    }
};
