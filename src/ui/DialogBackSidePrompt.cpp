#include "DialogBackSidePrompt.h"

#include <QCoro/QCoroSignal>
#include <QMessageBox>
#include <QPushButton>

QCoro::Task<BackSideChoice> DialogBackSidePrompt::askToReloadBacks()
{
    const bool scan = co_await ask(QStringLiteral("backSidePrompt"), message(), informativeText(),
                                   continueButton(), QStringLiteral("Cancel Scan"));
    co_return scan ? BackSideChoice::scanBacks : BackSideChoice::cancel;
}

QCoro::Task<BackSideChoice> DialogBackSidePrompt::askForTemplateBackSide()
{
    const bool scan =
        co_await ask(QStringLiteral("templateBackSidePrompt"), templateMessage(),
                     templateInformativeText(), templateBackButton(), templateDoneButton());
    co_return scan ? BackSideChoice::scanBacks : BackSideChoice::cancel;
}

QCoro::Task<bool> DialogBackSidePrompt::ask(QString objectName, QString title, QString informative,
                                            QString proceed, QString stop)
{
    // Window-modal and awaited, so the scan task waits without a nested loop.
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Information, title, title, QMessageBox::NoButton, m_parent);
    box->setObjectName(objectName);
    box->setInformativeText(informative);
    QPushButton* proceedButton = box->addButton(proceed, QMessageBox::AcceptRole);
    QPushButton* stopButton = box->addButton(stop, QMessageBox::RejectRole);
    box->setDefaultButton(proceedButton);
    box->setEscapeButton(stopButton);
    box->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
    bool stopped = false;
    QObject::connect(stopButton, &QPushButton::clicked, box, [&stopped] { stopped = true; });
    box->open();
    // Deleted only after the wait: a box deleted on close would go before the
    // queued resumption reaches this task, and the scan would wait forever.
    co_await qCoro(box.data(), &QMessageBox::finished);
    if (box)
        box->deleteLater();
    co_return !stopped;
}
