#pragma once

#include "scanner/ScannerService.h"

#include <QWidget>

class QFormLayout;
class QLabel;

// The "Scanner details" pop-over: status, transport, source and duplex of
// one device, then its status detail.
class ScannerDetails : public QWidget
{
    Q_OBJECT
public:
    explicit ScannerDetails(QWidget* parent = nullptr);

    void setDevice(const ScannerDevice& device);

    static QString statusText(const ScannerDevice& device);
    static QString sourceText(const ScannerDevice& device);
    static QString duplexText(const ScannerDevice& device);

private:
    QLabel* m_status;
    QLabel* m_transport;
    QLabel* m_source;
    QLabel* m_duplex;
    QLabel* m_detail;
};
