#include "PocketSphinxModel.h"

#include <QDir>
#include <QFileInfo>

PocketSphinxModel PocketSphinxModel::debianEnglish()
{
    return inFolder(QStringLiteral("/usr/share/pocketsphinx/model/en-us"));
}

PocketSphinxModel PocketSphinxModel::inFolder(const QString& folder)
{
    const QDir dir(folder);
    return {dir.filePath(QStringLiteral("en-us")), dir.filePath(QStringLiteral("en-us.lm.bin")),
            dir.filePath(QStringLiteral("cmudict-en-us.dict"))};
}

bool PocketSphinxModel::isComplete() const
{
    const auto usable = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() && info.isReadable() && info.size() > 0;
    };
    const QDir acoustic(acousticModelFolder);
    for (const char* name : {"mdef", "means", "variances", "transition_matrices", "noisedict"}) {
        if (!usable(acoustic.filePath(QString::fromLatin1(name))))
            return false;
    }
    return usable(languageModelFile) && usable(dictionaryFile);
}
