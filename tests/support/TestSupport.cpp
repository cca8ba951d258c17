#include "TestSupport.h"

#include <QDir>

namespace testsupport {

QString sourceDir()
{
    const QByteArray fromEnv = qgetenv("TW_SOURCE_DIR");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    return QDir::currentPath();
}

} // namespace testsupport
