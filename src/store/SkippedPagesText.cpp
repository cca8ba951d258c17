#include "SkippedPagesText.h"

#include <QFileInfo>
#include <QStringList>

QString skippedPagesText(const QList<SkippedPage>& skipped)
{
    QStringList names;
    for (const SkippedPage& page : skipped) {
        const QString name = page.fileURL.isLocalFile()
                                 ? QFileInfo(page.fileURL.toLocalFile()).fileName()
                                 : page.fileURL.fileName();
        names.append(QStringLiteral("%1 (%2)").arg(name, page.reason));
    }
    const QString count = skipped.size() == 1
                              ? QStringLiteral("1 page could not be read")
                              : QStringLiteral("%1 pages could not be read").arg(skipped.size());
    return count + QStringLiteral(": ") + names.join(QStringLiteral(", "));
}
