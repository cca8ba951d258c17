#pragma once

#include <QString>
#include <stdexcept>

// A dictation failure whose description is shown to the operator as is.
class DictationError : public std::runtime_error
{
public:
    explicit DictationError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {
    }

    const QString& description() const { return m_description; }

private:
    QString m_description;
};
