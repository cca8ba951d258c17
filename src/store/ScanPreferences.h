#pragma once

#include "scanner/ScanSettings.h"

#include <QObject>
#include <QString>

class QSettings;

/// The Scan screen's resolution, colour and source, kept in the app
/// preferences (never in a project file): resolution and colour for every
/// device, the source per device name. Values that cannot be read fall back
/// to 300 dpi, grey and Automatic.
class ScanPreferences : public QObject
{
    Q_OBJECT
public:
    // Over settings owned by the caller.
    explicit ScanPreferences(QSettings* settings, QObject* parent = nullptr);

    int resolution() const;
    ScanColour colour() const;
    ScanSource source(const QString& deviceName) const;
    void setResolution(int dpi);
    void setColour(ScanColour colour);
    void setSource(const QString& deviceName, ScanSource source);

    // The settings of a scan on the named device.
    ScanSettings settingsFor(const QString& deviceName, bool templateScan) const;

Q_SIGNALS:
    void changed();

private:
    QSettings* m_settings;
};
