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
    const QString wav = dir.filePath("speech.wav");
    QByteArray samples;
    if (!run("espeak-ng", {"-v", "en-us", "-s", "140", "-w", wav, text}, nullptr, error) ||
        !run("sox",
             {wav, "-t", "raw", "-r", "16000", "-c", "1", "-b", "16", "-e", "signed-integer", "-"},
             &samples, error))
        return {};
    // 0.3 s of silence lets the voice detector settle before the words.
    return QByteArray(16000 * 2 * 3 / 10, '\0') + samples;
}
