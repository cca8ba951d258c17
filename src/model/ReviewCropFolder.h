#pragma once

#include <QString>
#include <QUrl>

// Review crops are kept beside the pages they were cut from, so that they
// outlive the run and no other run's crops can take their names.

// The "review-crops" folder inside the folder of the page file; empty for a
// page that is not a local file.
QString reviewCropFolderBeside(const QUrl& pageFile);
