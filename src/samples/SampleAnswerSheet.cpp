#include "SampleAnswerSheet.h"

#include "model/SurveyTemplateDefinition.h"
#include "samples/SampleFormLayout.h"

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

QString randomWrittenText(QRandomGenerator& random, int fewest = 3, int most = 8)
{
    QStringList words;
    const int count = fewest + random.bounded(most - fewest + 1);
    for (int i = 0; i < count; ++i)
        words.append(kWrittenWords.at(random.bounded(int(kWrittenWords.size()))));
    return words.join(QLatin1Char(' '));
}
// A respondent's habits: the mark they mostly make, where boxes are
// printed and where labels are bare.
struct Habit
{
    MarkStyle boxed = MarkStyle::tick;
    MarkStyle bare = MarkStyle::circle;
};

MarkStyle anyBoxedStyle(QRandomGenerator& random)
{
    static const struct
    {
        MarkStyle style;
        int weight;
    } styles[] = {{MarkStyle::tick, 24},
                  {MarkStyle::cross, 20},
                  {MarkStyle::filledBox, 12},
                  {MarkStyle::scribble, 10},
                  {MarkStyle::circle, 10},
                  {MarkStyle::tightCircle, 12},
                  {MarkStyle::circleBoxAndLabel, 12}};
    int roll = random.bounded(100);
    for (const auto& entry : styles) {
        if (roll < entry.weight)
            return entry.style;
        roll -= entry.weight;
    }
    return MarkStyle::tick;
}

MarkStyle anyBareStyle(QRandomGenerator& random)
{
    const int roll = random.bounded(100);
    if (roll < 30)
        return MarkStyle::circle;
    if (roll < 65)
        return MarkStyle::tightCircle;
    return roll < 85 ? MarkStyle::tickBeforeLabel : MarkStyle::crossBeforeLabel;
}

// The labels a multiple-choice respondent marks: one to four, in template order.
QStringList someOf(const QStringList& options, QRandomGenerator& random)
{
    const int wanted = 1 + random.bounded(std::min(4, int(options.size())));
    QStringList chosen;
    for (int i = 0; i < options.size(); ++i) {
        const int left = int(options.size()) - i;
        if (random.bounded(left) < wanted - chosen.size())
            chosen.append(options.at(i));
    }
    return chosen;
}

} // namespace

QString penName(PenKind pen)
{
    switch (pen) {
    case PenKind::blueBallpoint:
        return QStringLiteral("blue ball-point");
    case PenKind::blackBallpoint:
        return QStringLiteral("black ball-point");
    case PenKind::pencil:
        return QStringLiteral("pencil");
    }
    return {};
}

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
    case MarkStyle::scribble:
        return QStringLiteral("scribbled box");
    case MarkStyle::tightCircle:
        return QStringLiteral("tight circle");
    case MarkStyle::circleBoxAndLabel:
        return QStringLiteral("circle round box and label");
    case MarkStyle::tickBeforeLabel:
        return QStringLiteral("tick before label");
    case MarkStyle::crossBeforeLabel:
        return QStringLiteral("cross before label");
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

SampleAnswerSheet variedAnswerSheet(qint64 surveyNumber, quint32 seed, const FormStyle& form)
{
    QRandomGenerator random(seed ^ quint32(surveyNumber * 2246822519u) ^ 0x9e3779b9u);
    SampleAnswerSheet sheet;
    sheet.surveyNumber = surveyNumber;
    const int penRoll = random.bounded(100);
    sheet.pen = penRoll < 50   ? PenKind::blueBallpoint
                : penRoll < 82 ? PenKind::blackBallpoint
                               : PenKind::pencil;
    sheet.inkTone = random.generateDouble();
    sheet.tremor = 0.15 + 0.85 * random.generateDouble();
    sheet.overshoot = random.generateDouble();
    const Habit habit{anyBoxedStyle(random), anyBareStyle(random)};
    const int blankPercent = random.bounded(12);

    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    for (auto it = questions.begin(); it != questions.end(); ++it) {
        SampleAnswer& answer = sheet.answers[it.key() - 1];
        const QStringList& options = it->options;
        if (it->kind == Kind::written) {
            answer.handwriting = random.bounded(100) < 75;
            if (answer.handwriting) {
                // Some answer in a word or two, some fill the space.
                answer.writtenText = random.bounded(100) < 30 ? randomWrittenText(random, 1, 2)
                                                              : randomWrittenText(random, 3, 12);
            }
            continue;
        }
        if (random.bounded(100) < blankPercent)
            continue;
        const bool boxes = form.printsBoxes(it.key());
        const bool lapse = random.bounded(100) < 25;
        answer.style = boxes ? (lapse ? anyBoxedStyle(random) : habit.boxed)
                             : (lapse ? anyBareStyle(random) : habit.bare);
        if (it->kind == Kind::singleChoice) {
            const int first = random.bounded(int(options.size()));
            answer.chosen = {options.at(first)};
            if (random.bounded(100) < 4) {
                // Two marks: the respondent could not decide.
                const int second =
                    (first + 1 + random.bounded(int(options.size()) - 1)) % int(options.size());
                answer.chosen.append(options.at(second));
            }
        } else {
            answer.chosen = someOf(options, random);
        }
        const bool writeInRule = form.questions.value(it.key() - 1).writeIn;
        if (writeInRule && answer.chosen.contains(options.last()) && random.bounded(100) < 50)
            answer.writeInText = randomWrittenText(random, 1, 3);
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
        if (it->kind == Kind::singleChoice && answer.chosen.size() > 1) {
            cells.append(QStringLiteral("AMBIGUOUS"));
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
