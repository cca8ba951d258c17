#pragma once

#include "scanner/ImportFileChooser.h"

#include <QPointer>
#include <QString>

class QWidget;

// Asks for the image or PDF files of "Import Scanned Files...".
class DialogImportFileChooser : public ImportFileChooser
{
public:
    explicit DialogImportFileChooser(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    QCoro::Task<QStringList> chooseFiles(ImportSides sides) override;

    static QStringList nameFilters();

private:
    QPointer<QWidget> m_parent;
    QString m_lastFolder;
};
