#include "ReviewPage.h"

#include "reading/PageImages.h"

#include <QFileInfo>

ReviewPage loadReviewPage(const QuestionReviewItem& item)
{
    if (item.pageURL.isEmpty())
        return {{}, QStringLiteral("The page of this answer is not known.")};
    const DecodedPage decoded = decodePageImage(item.pageURL);
    if (decoded.image.isNull())
        return {{},
                QStringLiteral("The page %1 could not be read: %2.")
                    .arg(QFileInfo(item.pageURL.toLocalFile()).fileName(), decoded.failureReason)};
    const std::optional<QImage> turned = rotatedImage(decoded.image, item.quarterTurns);
    if (!turned)
        return {{},
                QStringLiteral("The page %1 could not be turned.")
                    .arg(QFileInfo(item.pageURL.toLocalFile()).fileName())};
    return {straightenedImage(*turned, -item.skewDegrees), {}};
}
