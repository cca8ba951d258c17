#include "ReviewExport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray reviewItemsJson(const QList<QuestionReviewItem>& items)
{
    QJsonArray array;
    for (const QuestionReviewItem& item : items) {
        array.append(QJsonObject{{QStringLiteral("surveyNumber"), item.surveyNumber},
                                 {QStringLiteral("pageNumber"), item.pageNumber},
                                 {QStringLiteral("questionNumber"), item.questionNumber},
                                 {QStringLiteral("prompt"), item.prompt},
                                 {QStringLiteral("suggestedText"), item.suggestedText},
                                 {QStringLiteral("confidence"), item.confidence},
                                 {QStringLiteral("imageFile"), item.imageURL.isLocalFile()
                                                                   ? item.imageURL.toLocalFile()
                                                                   : item.imageURL.toString()}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QString reviewCropFolderFor(const QString& reviewPath)
{
    const QFileInfo info(reviewPath);
    return info.dir().absoluteFilePath(info.completeBaseName() + QStringLiteral("-crops"));
}
