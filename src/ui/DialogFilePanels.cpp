#include "DialogFilePanels.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

DialogFilePanels::DialogFilePanels(QWidget* parent) : m_parent(parent) {}

std::optional<QString> DialogFilePanels::chooseFile(const FilePanelRequest& request)
{
    QFileDialog dialog(m_parent, request.title);
    dialog.setObjectName(QStringLiteral("filePanel"));
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.fileType == FilePanelRequest::FileType::project
                                ? QStringLiteral("twk")
                                : QStringLiteral("csv"));
    if (request.kind == FilePanelRequest::Kind::save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::ReadOnly, !request.canCreateFolders);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    QString folder = m_lastFolder;
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    if (!request.suggestedName.isEmpty())
        dialog.selectFile(request.suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString DialogFilePanels::discardTitle()
{
    return QStringLiteral("Unsaved Changes");
}

QString DialogFilePanels::discardMessage()
{
    return QStringLiteral("This project has changes that are not saved in a project file.");
}

QString DialogFilePanels::discardDetail(DiscardReason reason)
{
    switch (reason) {
    case DiscardReason::newProject:
        return QStringLiteral("Starting a new project discards them.");
    case DiscardReason::openProject:
        return QStringLiteral("Opening another project discards them.");
    }
    return {};
}

bool DialogFilePanels::confirmDiscardChanges(DiscardReason reason)
{
    QMessageBox box(QMessageBox::Warning, discardTitle(), discardMessage(), QMessageBox::NoButton,
                    m_parent);
    box.setObjectName(QStringLiteral("discardQuestion"));
    box.setInformativeText(discardDetail(reason));
    QPushButton* discard =
        box.addButton(QStringLiteral("Discard Changes"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == discard;
}
