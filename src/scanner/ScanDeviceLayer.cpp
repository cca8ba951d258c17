#include "ScanDeviceLayer.h"

QString deviceErrorDetail(ScanDeviceLayer& layer, DeviceStatus status)
{
    if (status == DeviceStatus::invalid)
        return QStringLiteral(
            "The scanner driver rejected one of the scan settings. This often means the selected "
            "source, duplex mode, resolution, or file format is not supported by the driver.");
    return layer.statusText(status) + QStringLiteral(" [domain: SANE, code: %1]").arg(int(status));
}
