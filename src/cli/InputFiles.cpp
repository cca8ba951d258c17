#include "InputFiles.h"

#include "model/NaturalOrder.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

namespace {

const QStringList kImageSuffixes{
    QStringLiteral("png"), QStringLiteral("jpg"),  QStringLiteral("jpeg"),
    QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("pnm"),
    QStringLiteral("pbm"), QStringLiteral("pgm"),  QStringLiteral("ppm")};

void expandFolder(const QString& input, const QFileInfo& info, ExpandedInputs& expanded)
{
    QDir folder(info.absoluteFilePath());
    if (!info.isReadable() || !info.isExecutable()) {
        expanded.problems.append({input, QStringLiteral("the folder cannot be read")});
        return;
    }
    QStringList names = folder.entryList(QDir::Files | QDir::Readable);
    std::stable_sort(names.begin(), names.end(), naturalLess);
    qsizetype found = 0;
    for (const QString& name : names) {
        if (const auto kind = inputKindForName(name)) {
            expanded.files.append({folder.absoluteFilePath(name), *kind});
            ++found;
        }
    }
    if (found == 0)
        expanded.problems.append({input, QStringLiteral("the folder holds no image or PDF files")});
}

} // namespace

std::optional<InputFile::Kind> inputKindForName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return InputFile::Kind::pdf;
    if (kImageSuffixes.contains(suffix))
        return InputFile::Kind::image;
    return std::nullopt;
}

ExpandedInputs expandInputs(const QStringList& inputs)
{
    ExpandedInputs expanded;
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (!info.exists()) {
            expanded.problems.append({input, QStringLiteral("no such file or folder")});
            continue;
        }
        if (info.isDir()) {
            expandFolder(input, info, expanded);
            continue;
        }
        if (!info.isReadable()) {
            expanded.problems.append({input, QStringLiteral("the file cannot be read")});
            continue;
        }
        auto kind = inputKindForName(input);
        // A named file with an unusual suffix is still read when it is an image.
        if (!kind && QImageReader(input).canRead())
            kind = InputFile::Kind::image;
        if (!kind) {
            expanded.problems.append({input, QStringLiteral("not an image or PDF file")});
            continue;
        }
        expanded.files.append({info.absoluteFilePath(), *kind});
    }
    return expanded;
}
