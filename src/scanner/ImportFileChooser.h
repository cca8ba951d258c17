#pragma once

#include <QCoro/QCoroTask>
#include <QStringList>

// Asks the operator for image or PDF files to import as a batch. The desktop
// app shows a file panel; an empty list means the operator canceled.
class ImportFileChooser
{
public:
    virtual ~ImportFileChooser() = default;

    virtual QCoro::Task<QStringList> chooseFiles() = 0;
};
