#include "SpeechSynthesis.h"

#include <QProcess>
#include <QTemporaryDir>

namespace {

bool run(const QString& program, const QStringList& arguments, QByteArray* output, QString* error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + process.errorString() +
                 QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

} // namespace

QByteArray synthesizedSpeech(const QString& text, QString* error)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("speech.wav"));
    QByteArray samples;
    if (!run(QStringLiteral("espeak-ng"),
             {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"),
              QStringLiteral("140"), QStringLiteral("-w"), wav, text},
             nullptr, error) ||
        !run(QStringLiteral("sox"),
             {wav, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"),
              QStringLiteral("16000"), QStringLiteral("-c"), QStringLiteral("1"),
              QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-e"),
              QStringLiteral("signed-integer"), QStringLiteral("-")},
             &samples, error))
        return {};
    // 0.3 s of silence lets the voice detector settle before the words.
    return QByteArray(16000 * 2 * 3 / 10, '\0') + samples;
}
