#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <iterator>
#include <optional>
#include <ostream>
#include <qcoro/qcorotask.h>
#include <type_traits>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

// The project's source folder, for checked-in fixtures.
QString sourceDir();

// A file's bytes, or "<unreadable>"; its text as UTF-8.
QByteArray readBytes(const QString& path);
QString readText(const QString& path);
// Writes the file whole; a test that cannot set up its files stops here.
void writeBytes(const QString& path, const QByteArray& bytes);
// A blank white page image, in `format` or the one its suffix names, marked
// with `dpi` when given; returns the path.
QString writePageImage(const QString& path, QSize size, int dpi = 0, const char* format = nullptr);

// While it lives, files this process (and the processes it starts) write
// cannot grow past `bytes`, as with a quota: a write beyond fails with EFBIG
// instead of the signal that would end the test. Needs no privileges.
class FileSizeCap
{
public:
    explicit FileSizeCap(qint64 bytes);
    ~FileSizeCap();
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

private:
    qint64 m_previous = -1;
};

// The description of the E the call threw, or "no error".
template <typename E, typename F> QString thrownText(F&& call)
{
    try {
        call();
    } catch (const E& error) {
        return error.description();
    }
    return QStringLiteral("no error");
}

// The names of the files in the batch folders under `root`.
QStringList batchFiles(const QString& root);

// One value of each element, in order: the numbers of pages, the texts a
// signal carried. `f` may be a member pointer.
template <typename C, typename F> auto mapped(const C& items, F&& f)
{
    using Item = decltype(*std::begin(items));
    QList<std::decay_t<std::invoke_result_t<F, Item>>> values;
    for (const auto& item : items)
        values.append(std::invoke(f, item));
    return values;
}

namespace detail {
// QCoro 0.8's waitFor drops an exception and then waits forever, so the
// outcome is captured inside a coroutine of our own.
template <typename T, typename Value>
QCoro::Task<> capture(QCoro::Task<T> task, Value& value, std::exception_ptr& error, bool& done)
{
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            value.emplace(co_await std::move(task));
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
}
} // namespace detail

// Runs a coroutine to completion on the current thread's event loop and
// returns its value; rethrows what it threw.
template <typename T> T runTask(QCoro::Task<T>&& task)
{
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
    std::exception_ptr error;
    bool done = false;
    auto runner = detail::capture(std::move(task), value, error, done);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*value);
}

} // namespace testsupport
