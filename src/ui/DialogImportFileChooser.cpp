#include "DialogImportFileChooser.h"

#include <QCoro/QCoroSignal>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

QStringList DialogImportFileChooser::nameFilters()
{
    return {QStringLiteral("Scanned pages (*.png *.jpg *.jpeg *.tif *.tiff *.bmp *.pdf)"),
            QStringLiteral("Images (*.png *.jpg *.jpeg *.tif *.tiff *.bmp)"),
            QStringLiteral("PDF documents (*.pdf)")};
}

QCoro::Task<QStringList> DialogImportFileChooser::chooseFiles(ImportSides sides)
{
    QPointer<QFileDialog> dialog = new QFileDialog(m_parent, ImportFileChooser::title(sides));
    dialog->setObjectName(QStringLiteral("importPanel"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(nameFilters());
    QString folder = m_lastFolder;
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog->setDirectory(folder);
    QStringList chosen;
    QObject::connect(dialog, &QFileDialog::filesSelected, dialog,
                     [&chosen](const QStringList& files) { chosen = files; });
    dialog->open();
    co_await qCoro(dialog.data(), &QFileDialog::finished);
    if (dialog)
        dialog->deleteLater(); // not on close: see DialogBackSidePrompt
    if (!chosen.isEmpty())
        m_lastFolder = QFileInfo(chosen.constFirst()).absolutePath();
    co_return chosen;
}
