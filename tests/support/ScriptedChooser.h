#pragma once

#include "scanner/ImportFileChooser.h"

#include <QList>
#include <QStringList>

// The file chooser seam: answers each question with the next list of files,
// none once they run out, and records what was asked.
class ScriptedChooser : public ImportFileChooser
{
public:
    QList<QStringList> answers;
    QList<ImportSides> asked;

    QCoro::Task<QStringList> chooseFiles(ImportSides sides) override
    {
        asked.append(sides);
        co_return answers.isEmpty() ? QStringList() : answers.takeFirst();
    }
};
