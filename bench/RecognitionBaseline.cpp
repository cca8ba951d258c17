#include "RecognitionBaseline.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

double tesseractSecondsPerPage(const QStringList& files)
{
    if (files.isEmpty())
        return -1;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    QElapsedTimer clock;
    clock.start();
    for (const QString& file : files) {
        QProcess tesseract;
        tesseract.setProcessEnvironment(environment);
        tesseract.setStandardOutputFile(QProcess::nullDevice());
        tesseract.setStandardErrorFile(QProcess::nullDevice());
        tesseract.start(QStringLiteral("tesseract"), {file, QStringLiteral("-")});
        if (!tesseract.waitForFinished(-1) || tesseract.exitStatus() != QProcess::NormalExit ||
            tesseract.exitCode() != 0)
            return -1;
    }
    return clock.nsecsElapsed() / 1e9 / double(files.size());
}
