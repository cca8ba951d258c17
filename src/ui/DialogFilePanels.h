#pragma once

#include "store/FilePanels.h"

#include <QPointer>
#include <QString>

class QWidget;

// The store's file panels and discard question as modal Qt dialogs.
class DialogFilePanels : public FilePanels
{
public:
    explicit DialogFilePanels(QWidget* parent = nullptr);

    // Dialogs are centred over this window once it exists.
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    std::optional<QString> chooseFile(const FilePanelRequest& request) override;
    bool confirmDiscardChanges(DiscardReason reason) override;

    // Texts of the discard question, shared with the window's close question.
    static QString discardTitle();
    static QString discardMessage();
    static QString discardDetail(DiscardReason reason);

private:
    QPointer<QWidget> m_parent;
    QString m_lastFolder;
};
