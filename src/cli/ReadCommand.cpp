#include "ReadCommand.h"

#include "InputFiles.h"
#include "ReviewExport.h"
#include "files/AtomicFile.h"
#include "files/CSVExporter.h"
#include "files/FileError.h"
#include "files/SurveyProjectDocument.h"
#include "reading/VisionSurveyExtractionService.h"
#include "scanner/BatchFolder.h"
#include "scanner/PdfPages.h"
#include "scanner/ScannerService.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

// The PDF's pages at 300 dpi as "page-001.png", ... in the folder, in page
// order. Throws PdfPagesError, or FileError when a page cannot be kept.
QStringList renderPdfPageFiles(const QString& pdfPath, const QString& folder)
{
    QStringList paths;
    renderPdfPages(pdfPath, 300, [&](int number, int count, const QImage& page) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!page.save(&buffer, "PNG"))
            throw PdfPagesError(QStringLiteral("page %1 could not be encoded as PNG").arg(number));
        const int digits = qMax(3, int(QString::number(count).size()));
        paths.append(QDir(folder).absoluteFilePath(
            QStringLiteral("page-%1.png").arg(number, digits, 10, QLatin1Char('0'))));
        writeFileAtomically(paths.last(), png);
    });
    return paths;
}

struct LoadedTemplate
{
    SurveyConfiguration configuration;
    std::optional<PageNumbering> numbering; // a project file's own setting
};

LoadedTemplate loadTemplate(const QString& name)
{
    LoadedTemplate loaded;
    if (name == QLatin1String("custom")) {
        loaded.configuration.templatePreset = SurveyTemplate::custom;
        loaded.configuration.templateFields = SurveyTemplateField::defaults(SurveyTemplate::custom);
    } else if (name != QLatin1String("krda2026")) {
        loaded.configuration = readProjectFile(name).configuration;
        loaded.numbering =
            pageNumberingFor(loaded.configuration.duplexMode, loaded.configuration.scanBothSides);
    }
    return loaded;
}

// The configuration the project file records for this reading.
void describeReading(SurveyConfiguration& configuration, PageNumbering numbering,
                     const QList<SurveyQuestion>& questions)
{
    configuration.scanBothSides = numbering != PageNumbering::singleSided;
    if (numbering == PageNumbering::automaticDuplex)
        configuration.duplexMode = DuplexMode::automatic;
    else if (numbering == PageNumbering::manualTwoSided)
        configuration.duplexMode = DuplexMode::manual;
    configuration.questionCount = qMax<qint64>(1, questions.size());
}

class ReadRun
{
public:
    ReadRun(const ReadArguments& arguments, QTextStream& out, QTextStream& err)
        : m_arguments(arguments), m_out(out), m_err(err), m_now(QDateTime::currentDateTimeUtc())
    {
    }

    int run()
    {
        LoadedTemplate loaded;
        try {
            loaded = loadTemplate(m_arguments.templateName);
        } catch (const FileError& error) {
            report(m_arguments.templateName, error.description());
            return 1;
        }
        const PageNumbering numbering =
            m_arguments.sides.value_or(loaded.numbering.value_or(PageNumbering::singleSided));

        const QStringList files = pageFiles();
        if (files.isEmpty()) {
            m_err << "tallywicket-cli: no pages to read.\n";
            m_err.flush();
            return 1;
        }
        QList<QStringList> passes;
        for (const QString& file : files)
            passes.append({file}); // one pass each keeps the order given
        QList<ScanPage> pages = makePages(passes, numbering, m_now);

        // Crops are only of use beside the review list that points at them.
        CropPlacement crops{CropPlacement::Kind::nowhere, {}};
        if (!m_arguments.reviewPath.isEmpty())
            crops = {CropPlacement::Kind::inFolder, reviewCropFolderFor(m_arguments.reviewPath)};
        const SurveyExtractionResult result = extractPagesSync(
            pages, loaded.configuration, false, m_arguments.jobs,
            [this](int done, int total) {
                m_err << "page " << done << " of " << total << "\n";
                m_err.flush();
            },
            crops);
        for (const QString& problem : result.problems)
            report(problem);
        QSet<QString> skipped;
        for (const SkippedPage& page : result.skippedPages) {
            report(page.fileURL.toLocalFile(), page.reason);
            skipped.insert(page.fileURL.toLocalFile());
        }
        // A page that could not be read has no image to point at.
        pages.removeIf(
            [&](const ScanPage& page) { return skipped.contains(page.fileURL.toLocalFile()); });

        SurveyConfiguration configuration = loaded.configuration;
        describeReading(configuration, numbering, result.questions);
        writeOutputs(configuration, pages, result);
        return m_failed ? 1 : 0;
    }

private:
    void report(const QString& problem)
    {
        m_err << "tallywicket-cli: " << problem << "\n";
        m_err.flush();
        m_failed = true;
    }

    void report(const QString& input, const QString& reason)
    {
        m_err << "tallywicket-cli: " << QDir::toNativeSeparators(input) << ": " << reason << "\n";
        m_err.flush();
        m_failed = true;
    }

    QStringList pageFiles()
    {
        const ExpandedInputs expanded = expandInputs(m_arguments.inputs);
        for (const InputProblem& problem : expanded.problems)
            report(problem.input, problem.reason);
        QStringList files;
        for (const InputFile& input : expanded.files) {
            if (input.kind == InputFile::Kind::image) {
                files.append(input.path);
                continue;
            }
            try {
                // Rendered pages are kept: the project file points at them.
                const QString folder =
                    createBatchFolder(defaultScanRoot(), QFileInfo(input.path).completeBaseName(),
                                      m_now.toSecsSinceEpoch());
                files += renderPdfPageFiles(input.path, folder);
            } catch (const PdfPagesError& error) {
                report(input.path, error.reason());
            } catch (const FileError& error) {
                report(input.path, error.description());
            } catch (const ScannerServiceError& error) {
                report(input.path, error.description());
            }
        }
        return files;
    }

    void writeOutputs(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
                      const SurveyExtractionResult& result)
    {
        const QString csv =
            CSVExporter::makeCSV(configuration, pages, result.responses, result.questions, true);
        if (m_arguments.csvPath.isEmpty()) {
            m_out << csv << "\n";
            m_out.flush();
        } else {
            attempt(m_arguments.csvPath,
                    [&] { writeCSVFile(csv, m_arguments.csvPath, CSVFileEnding::lineFeed); });
        }
        if (!m_arguments.projectPath.isEmpty()) {
            attempt(m_arguments.projectPath, [&] {
                std::optional<QString> csvPath;
                if (!m_arguments.csvPath.isEmpty())
                    csvPath = QFileInfo(m_arguments.csvPath).absoluteFilePath();
                writeProjectFile(SurveyProjectDocument::fromState(configuration, pages,
                                                                  result.responses,
                                                                  result.questions, csvPath, m_now),
                                 m_arguments.projectPath);
            });
        }
        if (!m_arguments.reviewPath.isEmpty()) {
            attempt(m_arguments.reviewPath, [&] {
                writeFileAtomically(m_arguments.reviewPath, reviewItemsJson(result.reviewItems));
            });
        }
    }

    template <typename Write> void attempt(const QString& path, Write write)
    {
        try {
            write();
        } catch (const FileError& error) {
            report(path, error.description());
        }
    }

    const ReadArguments& m_arguments;
    QTextStream& m_out;
    QTextStream& m_err;
    QDateTime m_now;
    bool m_failed = false;
};

} // namespace

int runReadCommand(const ReadArguments& arguments, QTextStream& out, QTextStream& err)
{
    try {
        return ReadRun(arguments, out, err).run();
    } catch (const std::exception& error) {
        // Every known failure is reported where it happens; this keeps an
        // unforeseen one a message and a status rather than an abort.
        err << "tallywicket-cli: stopped by an unexpected error: " << error.what() << "\n";
        err.flush();
        return 1;
    }
}
