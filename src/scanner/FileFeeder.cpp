#include "FileFeeder.h"

#include "BatchFolder.h"

#include <QDateTime>
#include <algorithm>

ScannerDevice fileFeederDevice(const QString& id, const QString& name, bool supportsDuplex,
                               const QString& statusDetail)
{
    ScannerDevice device;
    device.id = id;
    device.name = name;
    device.connection = QStringLiteral("Local");
    device.supportsDuplex = supportsDuplex;
    device.hasDocumentFeeder = true;
    device.isOnline = true;
    device.isControllable = true;
    device.statusDetail = statusDetail;
    return device;
}

ScanBatchResult makeFileBatch(const QString& scanRoot, const SurveyConfiguration& configuration,
                              const CopyPasses& copyPasses)
{
    const QString folder =
        createBatchFolder(scanRoot, configuration.title, QDateTime::currentSecsSinceEpoch());
    const PageNumbering numbering =
        pageNumberingFor(configuration.duplexMode, configuration.scanBothSides);
    return numberFileBatch(copyPasses(folder, numbering), numbering, folder,
                           configuration.questionCount);
}

ScanBatchResult numberFileBatch(const QList<QStringList>& passes, PageNumbering numbering,
                                const QString& folder, qint64 questionCount)
{
    if (std::all_of(passes.begin(), passes.end(),
                    [](const QStringList& pass) { return pass.isEmpty(); }))
        throw ScannerServiceError(ScannerServiceError::Kind::scanProducedNoFiles);

    const QDateTime now = QDateTime::currentDateTime();
    ScanBatchResult result;
    // Two passes of fronts and backs pair at their boundary; a single list
    // of files has none to go by.
    result.pages = numbering == PageNumbering::manualTwoSided && passes.size() == 2
                       ? makeTwoSidedPages(passes[0], passes[1], folder, now)
                       : makePages(passes, numbering, now);
    result.responses = makePlaceholderResponses(result.pages, questionCount, now);
    return result;
}
