#pragma once

#include "scanner/BackSidePrompt.h"

#include <QPointer>

class QWidget;

// The "Reload back sides" alert between the two passes of manual two-sided
// scanning, modal over the main window.
class DialogBackSidePrompt : public BackSidePrompt
{
public:
    explicit DialogBackSidePrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    QCoro::Task<BackSideChoice> askToReloadBacks() override;

private:
    QPointer<QWidget> m_parent;
};
