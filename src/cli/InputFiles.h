#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One file to read: a page image, or a PDF whose pages become images.
struct InputFile
{
    enum class Kind
    {
        image,
        pdf
    };
    QString path; // absolute
    Kind kind = Kind::image;

    bool operator==(const InputFile&) const = default;
};

// An input that gives no pages, with the reason for the operator.
struct InputProblem
{
    QString input;
    QString reason;

    bool operator==(const InputProblem&) const = default;
};

struct ExpandedInputs
{
    QList<InputFile> files;
    QList<InputProblem> problems;
};

// The files named on the command line, in the order given; a folder gives
// its image and PDF files (not its subfolders) in natural file-name order.
// Missing, unreadable or unsupported inputs and folders without pages become
// problems.
ExpandedInputs expandInputs(const QStringList& inputs);

// The file's kind judged by its name, or nothing for other files.
std::optional<InputFile::Kind> inputKindForName(const QString& fileName);
