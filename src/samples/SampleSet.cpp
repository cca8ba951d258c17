#include "SampleSet.h"
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

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

SampleSet makeSampleSet(int surveyCount, quint32 seed, double dpi, bool degraded,
                        SampleStackOrder order)
{
    SampleSet set;
    for (int survey = 1; survey <= surveyCount; ++survey)
        set.sheets.append(randomAnswerSheet(survey, seed));
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
    QStringList paths;
    for (const SampleSetPage& page : set.pages) {
        const SampleAnswerSheet& sheet = set.sheets.at(page.surveyNumber - 1);
        // JPEG pages are stored as JPEG files, compressed once like a scanner does.
        SampleRenderOptions lossless = page.options;
        lossless.jpegQuality = 0;
        const QImage image = renderSurveyPage(sheet, page.side, lossless);
        const QString path = QDir(folder).filePath(page.fileName);
        const bool jpeg = page.options.jpegQuality > 0;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            !image.save(&file, jpeg ? "JPEG" : "PNG", jpeg ? page.options.jpegQuality : -1) ||
            !file.commit())
            throw SampleWriteError(QStringLiteral("Could not write %1: %2")
                                       .arg(QDir::toNativeSeparators(path), file.errorString()));
        paths.append(QFileInfo(path).absoluteFilePath());
    }
    writeAtomically(QDir(folder).filePath(QStringLiteral("ground-truth.json")),
                    groundTruthJson(set));
    writeAtomically(QDir(folder).filePath(QStringLiteral("ground-truth.csv")), groundTruthCsv(set));
    return paths;
}

QByteArray groundTruthJson(const SampleSet& set)
{
    QJsonArray surveys;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        QJsonArray questions;
        for (int i = 0; i < sheet.answers.size(); ++i) {
            const SampleAnswer& answer = sheet.answers.at(i);
            questions.append(
                QJsonObject{{QStringLiteral("number"), i + 1},
                            {QStringLiteral("chosen"), QJsonArray::fromStringList(answer.chosen)},
                            {QStringLiteral("markStyle"),
                             answer.chosen.isEmpty() ? QString() : markStyleName(answer.style)},
                            {QStringLiteral("handwriting"), answer.handwriting},
                            {QStringLiteral("writtenText"), answer.writtenText}});
        }
        surveys.append(QJsonObject{
            {QStringLiteral("surveyNumber"), sheet.surveyNumber},
            {QStringLiteral("answers"), QJsonArray::fromStringList(expectedAnswers(sheet))},
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
                                 {QStringLiteral("jpegQuality"), page.options.jpegQuality}});
    }
    return QJsonDocument(
               QJsonObject{{QStringLiteral("surveys"), surveys}, {QStringLiteral("pages"), pages}})
        .toJson(QJsonDocument::Indented);
}

QByteArray groundTruthCsv(const SampleSet& set)
{
    QStringList header{QStringLiteral("survey_id")};
    for (int n = 1; n <= 14; ++n)
        header.append(QStringLiteral("Q%1").arg(n));
    QStringList rows{header.join(QLatin1Char(','))};
    for (const SampleAnswerSheet& sheet : set.sheets) {
        QStringList fields{QString::number(sheet.surveyNumber)};
        for (const QString& cell : expectedAnswers(sheet))
            fields.append(csvField(cell));
        rows.append(fields.join(QLatin1Char(',')));
    }
    return (rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}
