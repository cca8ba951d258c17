#include "SampleSet.h"

#include "model/SurveyTemplateDefinition.h"
#include "samples/SampleFonts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentMap>
#include <numeric>

namespace {

// Light PNG compression: noisy scans deflate slowly and shrink little.
constexpr int kPngQuality = 75;

SampleRenderOptions degradedOptions(QRandomGenerator& random, double dpi, int pageIndex)
{
    SampleRenderOptions options;
    options.dpi = dpi;
    options.seed = random.generate();
    options.skewDegrees = (random.generateDouble() * 2 - 1) * 1.5;
    options.noise = 0.5 + 0.5 * random.generateDouble();
    // Every fifth page upside down, every seventh sideways.
    if (pageIndex % 5 == 3)
        options.quarterTurns = 2;
    else if (pageIndex % 7 == 5)
        options.quarterTurns = random.bounded(2) == 0 ? 1 : 3;
    if (random.bounded(2) == 0)
        options.jpegQuality = 55 + random.bounded(30);
    return options;
}

// A scan of a varied stack: every effect of a real scanner, drawn at random.
void addScanEffects(SampleRenderOptions& options, QRandomGenerator& random)
{
    options.skewDegrees = (random.generateDouble() * 2 - 1) * 1.5;
    const int turn = random.bounded(100);
    if (turn < 8)
        options.quarterTurns = 2;
    else if (turn < 13)
        options.quarterTurns = random.bounded(2) == 0 ? 1 : 3;
    options.noise = 0.15 + 0.85 * random.generateDouble();
    options.blur = random.bounded(100) < 40 ? 0 : 0.3 + random.generateDouble();
    options.unevenLamp = 0.03 + 0.15 * random.generateDouble();
    options.colour = random.bounded(2) == 0;
    if (random.bounded(2) == 0)
        options.jpegQuality = 60 + random.bounded(26);
    if (random.bounded(100) < 25)
        options.squiggles = 1 + random.bounded(2);
}

PaperTone randomPaper(QRandomGenerator& random)
{
    const int roll = random.bounded(100);
    return roll < 50 ? PaperTone::white : roll < 75 ? PaperTone::grey : PaperTone::yellowish;
}

QList<QPair<qint64, SurveySide>> stackOrder(int surveyCount, SampleStackOrder order)
{
    QList<QPair<qint64, SurveySide>> sides;
    for (int survey = 1; survey <= surveyCount; ++survey) {
        sides.append({survey, SurveySide::front});
        if (order == SampleStackOrder::duplex)
            sides.append({survey, SurveySide::back});
    }
    if (order == SampleStackOrder::manual) {
        for (int survey = 1; survey <= surveyCount; ++survey)
            sides.append({survey, SurveySide::back});
    }
    return sides;
}

QJsonObject formJson(const FormStyle& form)
{
    QJsonArray questions;
    for (const QuestionPrint& print : form.questions)
        questions.append(
            QJsonObject{{QStringLiteral("arrangement"), arrangementName(print.arrangement)},
                        {QStringLiteral("boxes"), print.boxes},
                        {QStringLiteral("writeIn"), print.writeIn},
                        {QStringLiteral("writingSpace"), writingSpaceName(print.writing)}});
    return QJsonObject{{QStringLiteral("classic"), form.isClassic()},
                       {QStringLiteral("font"), form.family},
                       {QStringLiteral("optionPt"), form.optionPt},
                       {QStringLiteral("headingPt"), form.headingPt},
                       {QStringLiteral("boldHeadings"), form.boldHeadings},
                       {QStringLiteral("boldOptions"), form.boldOptions},
                       {QStringLiteral("numberFormat"), numberFormatName(form.numberFormat)},
                       {QStringLiteral("questions"), questions}};
}

// The mark a cell's truth names: its style, "handwriting", or empty.
QString cellMark(const SampleAnswer& answer)
{
    if (!answer.chosen.isEmpty())
        return markStyleName(answer.style);
    return answer.handwriting ? QStringLiteral("handwriting") : QString();
}

QString pageFileName(int index, int total, const SampleRenderOptions& options)
{
    const int digits = qMax(2, int(QString::number(total).size()));
    return QStringLiteral("page-%1.%2")
        .arg(index + 1, digits, 10, QLatin1Char('0'))
        .arg(options.jpegQuality > 0 ? QStringLiteral("jpg") : QStringLiteral("png"));
}

void writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw SampleWriteError(QStringLiteral("Could not write %1: %2")
                                   .arg(QDir::toNativeSeparators(path), file.errorString()));
}

QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')))
        return field;
    QString escaped = field;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString stackKindName(SampleStackKind kind)
{
    static const char* const names[] = {"classic", "mixed", "one-form"};
    return QLatin1String(names[int(kind)]);
}

std::optional<SampleStackKind> stackKindNamed(const QString& name)
{
    for (SampleStackKind kind :
         {SampleStackKind::classic, SampleStackKind::mixed, SampleStackKind::oneForm}) {
        if (stackKindName(kind) == name)
            return kind;
    }
    return std::nullopt;
}

SampleRenderOptions surveyPrint(const SampleSet& set, qint64 surveyNumber)
{
    for (const SampleSetPage& page : set.pages) {
        if (page.surveyNumber == surveyNumber)
            return page.options;
    }
    return {};
}

SampleSet makeSampleStack(const SampleStackRequest& request)
{
    if (request.kind == SampleStackKind::classic)
        return makeSampleSet(request.surveyCount, request.seed, request.dpi > 0 ? request.dpi : 300,
                             request.degraded, request.order);
    loadSampleFonts();
    SampleSet set;
    set.kind = request.kind;
    // A mixed and a one-form stack of one seed share no respondent or scan.
    const quint32 seed =
        request.seed ^ (request.kind == SampleStackKind::oneForm ? 0xa511e9b3u : 0u);
    // Separate streams: the print, the respondents and the scans.
    QRandomGenerator printRandom(seed * 2654435761u + 17);
    QRandomGenerator scanRandom(seed * 40503u + 101);
    auto randomDpi = [&] {
        return request.dpi > 0 ? request.dpi : (printRandom.bounded(2) == 0 ? 200.0 : 300.0);
    };
    struct Print
    {
        double dpi;
        FormStyle form;
        PaperTone paper;
    };
    auto randomPrint = [&] {
        const double dpi = randomDpi();
        const FormStyle form = randomFormStyle(printRandom, dpi);
        const PaperTone paper = request.degraded ? randomPaper(printRandom) : PaperTone::white;
        return Print{dpi, form, paper};
    };
    QList<Print> prints;
    const Print run = randomPrint();
    for (int survey = 1; survey <= request.surveyCount; ++survey) {
        prints.append(request.kind == SampleStackKind::oneForm || survey == 1 ? run
                                                                              : randomPrint());
        set.sheets.append(variedAnswerSheet(survey, seed, prints.last().form));
    }
    const QList<QPair<qint64, SurveySide>> sides = stackOrder(request.surveyCount, request.order);
    for (int i = 0; i < sides.size(); ++i) {
        SampleSetPage page;
        page.surveyNumber = sides[i].first;
        page.side = sides[i].second;
        const Print& print = prints.at(page.surveyNumber - 1);
        page.options.dpi = print.dpi;
        page.options.form = print.form;
        page.options.paper = print.paper;
        page.options.seed = scanRandom.generate();
        if (request.degraded)
            addScanEffects(page.options, scanRandom);
        page.fileName = pageFileName(i, int(sides.size()), page.options);
        set.pages.append(page);
    }
    return set;
}

SampleSet makeSampleSet(int surveyCount, quint32 seed, double dpi, bool degraded,
                        SampleStackOrder order)
{
    SampleSet set;
    for (int survey = 1; survey <= surveyCount; ++survey)
        set.sheets.append(randomAnswerSheet(survey, seed));
    const QList<QPair<qint64, SurveySide>> sides = stackOrder(surveyCount, order);
    QRandomGenerator random(seed * 31 + 7);
    for (int i = 0; i < sides.size(); ++i) {
        SampleSetPage page;
        page.surveyNumber = sides[i].first;
        page.side = sides[i].second;
        if (degraded) {
            page.options = degradedOptions(random, dpi, i);
        } else {
            page.options.dpi = dpi;
            page.options.seed = random.generate();
        }
        page.fileName = pageFileName(i, int(sides.size()), page.options);
        set.pages.append(page);
    }
    return set;
}

QStringList writeSampleSet(const SampleSet& set, const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw SampleWriteError(
            QStringLiteral("Could not create the folder %1").arg(QDir::toNativeSeparators(folder)));
    loadSampleFonts();
    QStringList paths;
    for (const SampleSetPage& page : set.pages)
        paths.append(QFileInfo(QDir(folder).filePath(page.fileName)).absoluteFilePath());
    QList<int> indices(set.pages.size());
    std::iota(indices.begin(), indices.end(), 0);
    QMutex failureMutex;
    QString failure;
    // Pages render on every core; each is written whole or not at all.
    QtConcurrent::blockingMap(indices, [&](int index) {
        const SampleSetPage& page = set.pages.at(index);
        const SampleAnswerSheet& sheet = set.sheets.at(page.surveyNumber - 1);
        // JPEG pages are stored as JPEG files, compressed once like a scanner does.
        SampleRenderOptions lossless = page.options;
        lossless.jpegQuality = 0;
        const QImage image = renderSurveyPage(sheet, page.side, lossless);
        const bool jpeg = page.options.jpegQuality > 0;
        QSaveFile file(paths.at(index));
        if (!file.open(QIODevice::WriteOnly) ||
            !image.save(&file, jpeg ? "JPEG" : "PNG",
                        jpeg ? page.options.jpegQuality : kPngQuality) ||
            !file.commit()) {
            QMutexLocker lock(&failureMutex);
            if (failure.isEmpty())
                failure = QStringLiteral("Could not write %1: %2")
                              .arg(QDir::toNativeSeparators(paths.at(index)), file.errorString());
        }
    });
    if (!failure.isEmpty())
        throw SampleWriteError(failure);
    writeAtomically(QDir(folder).filePath(QStringLiteral("ground-truth.json")),
                    groundTruthJson(set));
    writeAtomically(QDir(folder).filePath(QStringLiteral("ground-truth.csv")), groundTruthCsv(set));
    return paths;
}

QByteArray groundTruthJson(const SampleSet& set)
{
    QJsonArray surveys;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const SampleRenderOptions print = surveyPrint(set, sheet.surveyNumber);
        QMap<qint64, FormQuestion> printed;
        for (SurveySide side : {SurveySide::front, SurveySide::back}) {
            for (const FormQuestion& question :
                 layoutSurveyPage(side, print.dpi, print.form).questions)
                printed.insert(question.number, question);
        }
        const QStringList expected = expectedAnswers(sheet);
        QJsonArray questions;
        for (int i = 0; i < sheet.answers.size(); ++i) {
            const SampleAnswer& answer = sheet.answers.at(i);
            const FormQuestion& question = printed[i + 1];
            QJsonObject cell{{QStringLiteral("number"), i + 1},
                             {QStringLiteral("chosen"), QJsonArray::fromStringList(answer.chosen)},
                             {QStringLiteral("markStyle"),
                              answer.chosen.isEmpty() ? QString() : markStyleName(answer.style)},
                             {QStringLiteral("handwriting"), answer.handwriting},
                             {QStringLiteral("writtenText"), answer.writtenText},
                             {QStringLiteral("truth"), expected.value(i)},
                             {QStringLiteral("marks"), int(answer.chosen.size())}};
            if (question.options.isEmpty()) {
                cell.insert(QStringLiteral("writingSpace"), writingSpaceName(question.writing));
            } else {
                cell.insert(QStringLiteral("arrangement"), arrangementName(question.arrangement));
                cell.insert(QStringLiteral("boxes"), question.options.first().box.has_value());
                cell.insert(QStringLiteral("writeInRule"), !question.writeInRules.isEmpty());
            }
            if (!answer.writeInText.isEmpty())
                cell.insert(QStringLiteral("writeInText"), answer.writeInText);
            questions.append(cell);
        }
        surveys.append(
            QJsonObject{{QStringLiteral("surveyNumber"), sheet.surveyNumber},
                        {QStringLiteral("answers"), QJsonArray::fromStringList(expected)},
                        {QStringLiteral("pen"), penName(sheet.pen)},
                        {QStringLiteral("tremor"), sheet.tremor},
                        {QStringLiteral("overshoot"), sheet.overshoot},
                        {QStringLiteral("dpi"), print.dpi},
                        {QStringLiteral("paper"), paperToneName(print.paper)},
                        {QStringLiteral("form"), formJson(print.form)},
                        {QStringLiteral("questions"), questions}});
    }
    QJsonArray pages;
    for (const SampleSetPage& page : set.pages) {
        pages.append(QJsonObject{{QStringLiteral("file"), page.fileName},
                                 {QStringLiteral("surveyNumber"), page.surveyNumber},
                                 {QStringLiteral("side"), rawValue(page.side)},
                                 {QStringLiteral("dpi"), page.options.dpi},
                                 {QStringLiteral("skewDegrees"), page.options.skewDegrees},
                                 {QStringLiteral("noise"), page.options.noise},
                                 {QStringLiteral("quarterTurns"), page.options.quarterTurns},
                                 {QStringLiteral("jpegQuality"), page.options.jpegQuality},
                                 {QStringLiteral("paper"), paperToneName(page.options.paper)},
                                 {QStringLiteral("unevenLamp"), page.options.unevenLamp},
                                 {QStringLiteral("blur"), page.options.blur},
                                 {QStringLiteral("colour"), page.options.colour},
                                 {QStringLiteral("squiggles"), page.options.squiggles}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("kind"), stackKindName(set.kind)},
                                     {QStringLiteral("surveys"), surveys},
                                     {QStringLiteral("pages"), pages}})
        .toJson(QJsonDocument::Indented);
}

QByteArray groundTruthCsv(const SampleSet& set)
{
    QStringList header{QStringLiteral("survey_id")};
    for (int n = 1; n <= 14; ++n)
        header.append(QStringLiteral("Q%1").arg(n));
    for (int n = 1; n <= 14; ++n)
        header.append(QStringLiteral("Q%1 mark").arg(n));
    QStringList rows{header.join(QLatin1Char(','))};
    for (const SampleAnswerSheet& sheet : set.sheets) {
        QStringList fields{QString::number(sheet.surveyNumber)};
        for (const QString& cell : expectedAnswers(sheet))
            fields.append(csvField(cell));
        for (const SampleAnswer& answer : sheet.answers)
            fields.append(csvField(cellMark(answer)));
        rows.append(fields.join(QLatin1Char(',')));
    }
    return (rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}
