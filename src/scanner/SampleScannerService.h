#pragma once

#include "BatchFolder.h"
#include "ScannerService.h"

/// The "Sample surveys" device for demonstrations without a scanner: it
/// feeds the bundled sample pages like a feeder would. The PNG and JPEG
/// files of the samples folder, in natural order, are the sides of the
/// stack's sheets: front, back, front, back, ...
class SampleScannerService : public ScannerService
{
public:
    static inline const QString deviceId = QStringLiteral("sample:surveys");

    // With a pace (sheets per minute) above 0 the sheets come one by one at
    // that pace, as from a real feeder; otherwise as fast as they copy.
    explicit SampleScannerService(QString samplesFolder, QString scanRoot = defaultScanRoot(),
                                  double sheetsPerMinute = 0);

    static ScannerDevice device();

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    // Single-sided batches take the fronts only, automatic duplex takes every
    // side in order, manual two-sided takes all fronts and then all backs, as
    // the operator's scanner would deliver them.
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered = {}) override;
    // Stops feeding, as a scanner's cancel does: a one-pass scan keeps the
    // sheets fed so far, a manual two-sided one pairs nothing.
    void cancelScan() override { m_canceled = true; }

private:
    QString m_samplesFolder;
    QString m_scanRoot;
    double m_sheetsPerMinute;
    bool m_canceled = false;
};
