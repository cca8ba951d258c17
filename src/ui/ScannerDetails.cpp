#include "ScannerDetails.h"

#include "Theme.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

ScannerDetails::ScannerDetails(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("scannerDetails"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(theme::label(QStringLiteral("Scanner details"), QStringLiteral("heading")));
    auto* form = new QFormLayout;
    form->setHorizontalSpacing(16);
    m_status = new QLabel(this);
    m_transport = new QLabel(this);
    m_source = new QLabel(this);
    m_duplex = new QLabel(this);
    form->addRow(QStringLiteral("Status"), m_status);
    form->addRow(QStringLiteral("Transport"), m_transport);
    form->addRow(QStringLiteral("Source"), m_source);
    form->addRow(QStringLiteral("Duplex"), m_duplex);
    layout->addLayout(form);
    m_detail = theme::label(QString(), QStringLiteral("caption"), this);
    m_detail->setMaximumWidth(360);
    layout->addWidget(m_detail);
}

void ScannerDetails::setDevice(const ScannerDevice& device)
{
    m_status->setText(statusText(device));
    m_transport->setText(device.connection);
    m_source->setText(sourceText(device));
    m_duplex->setText(duplexText(device));
    m_detail->setText(device.statusDetail);
}

QString ScannerDetails::statusText(const ScannerDevice& device)
{
    return device.isOnline ? QStringLiteral("Online") : QStringLiteral("Offline");
}

QString ScannerDetails::sourceText(const ScannerDevice& device)
{
    return device.hasDocumentFeeder ? QStringLiteral("Document feeder")
                                    : QStringLiteral("Flatbed/manual");
}

QString ScannerDetails::duplexText(const ScannerDevice& device)
{
    return device.supportsDuplex ? QStringLiteral("Front/back detected")
                                 : QStringLiteral("Manual backs");
}
