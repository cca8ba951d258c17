#pragma once

#include <QString>
#include <stdexcept>

// A file could not be read or written. The description is one or two
// sentences an operator can act on: which file, and what went wrong.
class FileError : public std::runtime_error
{
public:
    explicit FileError(const QString& description) : std::runtime_error(description.toStdString())
    {
    }

    QString description() const { return QString::fromStdString(what()); }
};

// A project file that cannot be opened: unreadable, not JSON, or JSON that
// is not a project (the description names the offending key).
class ProjectFileError : public FileError
{
public:
    using FileError::FileError;
};

// A CSV file that could not be created, replaced or appended to.
class CSVFileError : public FileError
{
public:
    using FileError::FileError;
};
