#include "SpokenAnswer.h"

QStringList spokenNoAnswerWords()
{
    return {QStringLiteral("none"), QStringLiteral("blank"), QStringLiteral("not answered")};
}

QString dictatedAnswer(const QString& transcript)
{
    const QString heard = transcript.simplified();
    for (const QString& words : spokenNoAnswerWords()) {
        if (heard.compare(words, Qt::CaseInsensitive) == 0)
            return QStringLiteral("N/A");
    }
    return transcript.trimmed();
}
