#include "DialogBackSidePrompt.h"

#include <QCoro/QCoroSignal>
#include <QMessageBox>
#include <QPushButton>

QCoro::Task<BackSideChoice> DialogBackSidePrompt::askToReloadBacks()
{
    // Window-modal and awaited, so the scan task waits without a nested loop.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Information, message(), message(),
                                                QMessageBox::NoButton, m_parent);
    box->setObjectName(QStringLiteral("backSidePrompt"));
    box->setInformativeText(informativeText());
    QPushButton* scanBacks = box->addButton(continueButton(), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel Scan"), QMessageBox::RejectRole);
    box->setDefaultButton(scanBacks);
    box->setEscapeButton(cancel);
    box->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
    bool canceled = false;
    QObject::connect(cancel, &QPushButton::clicked, box, [&canceled] { canceled = true; });
    box->open();
    // Deleted only after the wait: a box deleted on close would go before the
    // queued resumption reaches this task, and the scan would wait forever.
    co_await qCoro(box.data(), &QMessageBox::finished);
    if (box)
        box->deleteLater();
    co_return canceled ? BackSideChoice::cancel : BackSideChoice::scanBacks;
}
