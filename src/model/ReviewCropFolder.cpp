#include "ReviewCropFolder.h"

#include <QDir>
#include <QFileInfo>

QString reviewCropFolderBeside(const QUrl& pageFile)
{
    if (!pageFile.isLocalFile())
        return {};
    return QDir(QFileInfo(pageFile.toLocalFile()).absolutePath())
        .filePath(QStringLiteral("review-crops"));
}
