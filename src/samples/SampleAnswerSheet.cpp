#include "SampleAnswerSheet.h"

#include "model/SurveyTemplateDefinition.h"

#include <QRandomGenerator>
#include <algorithm>

namespace {
using Kind = SurveyTemplateDefinition::QuestionKind;

const QStringList kWrittenWords{
    QStringLiteral("building"),    QStringLiteral("things"),  QStringLiteral("robots"),
    QStringLiteral("experiments"), QStringLiteral("finding"), QStringLiteral("time"),
    QStringLiteral("more"),        QStringLiteral("judges"),  QStringLiteral("my"),
    QStringLiteral("the"),         QStringLiteral("poster"),  QStringLiteral("learning"),
    QStringLiteral("new"),         QStringLiteral("data"),    QStringLiteral("snacks"),
    QStringLiteral("was"),         QStringLiteral("fun"),     QStringLiteral("and")};

bool isCircleOneQuestion(qint64 number)
{
    return number == 2 || number == 4;
}

MarkStyle randomBoxStyle(QRandomGenerator& random)
{
    const int roll = random.bounded(100);
    if (roll < 50)
        return MarkStyle::tick;
    if (roll < 80)
        return MarkStyle::cross;
    return MarkStyle::filledBox;
}

QString randomWrittenText(QRandomGenerator& random)
{
    QStringList words;
    const int count = 3 + random.bounded(6);
    for (int i = 0; i < count; ++i)
        words.append(kWrittenWords.at(random.bounded(int(kWrittenWords.size()))));
    return words.join(QLatin1Char(' '));
}
} // namespace

QString markStyleName(MarkStyle style)
{
    switch (style) {
    case MarkStyle::tick:
        return QStringLiteral("tick");
    case MarkStyle::cross:
        return QStringLiteral("cross");
    case MarkStyle::filledBox:
        return QStringLiteral("filled box");
    case MarkStyle::circle:
        return QStringLiteral("circle");
    }
    return {};
}

SampleAnswerSheet randomAnswerSheet(qint64 surveyNumber, quint32 seed)
{
    QRandomGenerator random(seed ^ quint32(surveyNumber * 2654435761u));
    SampleAnswerSheet sheet;
    sheet.surveyNumber = surveyNumber;
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    for (auto it = questions.begin(); it != questions.end(); ++it) {
        SampleAnswer& answer = sheet.answers[it.key() - 1];
        const QStringList& options = it->options;
        if (it->kind == Kind::written) {
            answer.handwriting = random.bounded(100) < 70;
            if (answer.handwriting)
                answer.writtenText = randomWrittenText(random);
            continue;
        }
        if (random.bounded(100) < 8)
            continue; // left blank
        answer.style = isCircleOneQuestion(it.key()) ? MarkStyle::circle : randomBoxStyle(random);
        if (it->kind == Kind::singleChoice) {
            answer.chosen = {options.at(random.bounded(int(options.size())))};
            continue;
        }
        const int wanted = 1 + random.bounded(std::min(3, int(options.size())));
        for (const QString& option : options) {
            const int left = int(options.size()) - options.indexOf(option);
            if (random.bounded(left) < wanted - answer.chosen.size())
                answer.chosen.append(option);
        }
    }
    return sheet;
}

QStringList expectedAnswers(const SampleAnswerSheet& sheet)
{
    QStringList cells;
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    for (auto it = questions.begin(); it != questions.end(); ++it) {
        const SampleAnswer& answer = sheet.answers.value(it.key() - 1);
        if (it->kind == Kind::written) {
            cells.append(answer.handwriting ? QStringLiteral("Handwritten answer needs review")
                                            : QStringLiteral("N/A"));
            continue;
        }
        QStringList ordered;
        for (const QString& option : it->options) {
            if (answer.chosen.contains(option))
                ordered.append(option);
        }
        cells.append(ordered.isEmpty() ? QStringLiteral("N/A")
                                       : ordered.join(QStringLiteral("; ")));
    }
    return cells;
}

bool answerMatches(const QString& expected, const QString& read)
{
    const QString separator = QStringLiteral("; ");
    QStringList want = expected.trimmed().split(separator);
    QStringList got = read.trimmed().split(separator);
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    return want == got;
}
