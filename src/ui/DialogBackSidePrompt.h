#pragma once

#include "scanner/BackSidePrompt.h"

#include <QPointer>

class QWidget;

// The "Reload back sides" alert between the two passes of manual two-sided
// scanning, and the template's "Scan Back Side" / "Done" question after a
// flatbed template scan, modal over the main window.
class DialogBackSidePrompt : public BackSidePrompt
{
public:
    explicit DialogBackSidePrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    QCoro::Task<BackSideChoice> askToReloadBacks() override;
    QCoro::Task<BackSideChoice> askForTemplateBackSide() override;

private:
    // Shows one alert and waits for it; true when `proceed` was chosen.
    QCoro::Task<bool> ask(QString objectName, QString title, QString informative, QString proceed,
                          QString stop);

    QPointer<QWidget> m_parent;
};
