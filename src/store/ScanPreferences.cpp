#include "ScanPreferences.h"

#include <QSettings>
#include <QUrl>

namespace {

const QString kResolution = QStringLiteral("scan/resolution");
const QString kColour = QStringLiteral("scan/colour");

// Device names hold ':' and '/', which settings keys take as groups.
QString sourceKey(const QString& deviceName)
{
    return QStringLiteral("scan/source/") +
           QString::fromLatin1(QUrl::toPercentEncoding(deviceName));
}

} // namespace

ScanPreferences::ScanPreferences(QSettings* settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
}

int ScanPreferences::resolution() const
{
    bool ok = false;
    const int dpi = m_settings->value(kResolution).toInt(&ok);
    return ok && offeredResolutions().contains(dpi) ? dpi : ScanSettings().resolution;
}

ScanColour ScanPreferences::colour() const
{
    return m_settings->value(kColour).toString() == QStringLiteral("colour") ? ScanColour::colour
                                                                             : ScanColour::grey;
}

ScanSource ScanPreferences::source(const QString& deviceName) const
{
    const QString value = m_settings->value(sourceKey(deviceName)).toString();
    if (value == QStringLiteral("feeder"))
        return ScanSource::feeder;
    if (value == QStringLiteral("flatbed"))
        return ScanSource::flatbed;
    return ScanSource::automatic;
}

void ScanPreferences::setResolution(int dpi)
{
    if (dpi == resolution() && m_settings->contains(kResolution))
        return;
    m_settings->setValue(kResolution, dpi);
    m_settings->sync();
    Q_EMIT changed();
}

void ScanPreferences::setColour(ScanColour colour)
{
    const QString value =
        colour == ScanColour::colour ? QStringLiteral("colour") : QStringLiteral("grey");
    if (m_settings->value(kColour).toString() == value)
        return;
    m_settings->setValue(kColour, value);
    m_settings->sync();
    Q_EMIT changed();
}

void ScanPreferences::setSource(const QString& deviceName, ScanSource source)
{
    const QString value = source == ScanSource::feeder    ? QStringLiteral("feeder")
                          : source == ScanSource::flatbed ? QStringLiteral("flatbed")
                                                          : QStringLiteral("automatic");
    if (m_settings->value(sourceKey(deviceName)).toString() == value)
        return;
    m_settings->setValue(sourceKey(deviceName), value);
    m_settings->sync();
    Q_EMIT changed();
}

ScanSettings ScanPreferences::settingsFor(const QString& deviceName, bool templateScan) const
{
    ScanSettings settings;
    settings.resolution = resolution();
    settings.colour = colour();
    settings.source = source(deviceName);
    settings.templateScan = templateScan;
    return settings;
}
