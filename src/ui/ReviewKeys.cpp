#include "ReviewKeys.h"

namespace reviewkeys {

namespace {
// Alt+F, Alt+E, Alt+V and Alt+H open the menus.
const QString optionLetters = QStringLiteral("ABCDGIJKLMNOPQRSTUWXYZ");
} // namespace

std::optional<QKeySequence> optionKey(qsizetype index)
{
    if (index < 0)
        return std::nullopt;
    if (index < 9)
        return QKeySequence(QKeyCombination(static_cast<Qt::Key>(Qt::Key_1 + index)));
    if (index == 9)
        return QKeySequence(QKeyCombination(Qt::Key_0));
    const qsizetype letter = index - 10;
    if (letter >= optionLetters.size())
        return std::nullopt;
    return QKeySequence(
        QKeyCombination(Qt::AltModifier,
                        static_cast<Qt::Key>(Qt::Key_A + (optionLetters[letter].unicode() - 'A'))));
}

std::optional<qsizetype> optionIndex(int key, Qt::KeyboardModifiers modifiers)
{
    // Keypad digits are digits too.
    modifiers &= ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        if (key >= Qt::Key_1 && key <= Qt::Key_9)
            return key - Qt::Key_1;
        if (key == Qt::Key_0)
            return 9;
        return std::nullopt;
    }
    if (modifiers == Qt::AltModifier && key >= Qt::Key_A && key <= Qt::Key_Z) {
        const qsizetype letter = optionLetters.indexOf(QChar('A' + (key - Qt::Key_A)));
        if (letter >= 0)
            return 10 + letter;
    }
    return std::nullopt;
}

QKeySequence apply()
{
    return QKeySequence(Qt::Key_Return);
}

QKeySequence next()
{
    return QKeySequence(Qt::CTRL | Qt::Key_BracketRight);
}

QKeySequence previous()
{
    return QKeySequence(Qt::CTRL | Qt::Key_BracketLeft);
}

QKeySequence skip()
{
    return QKeySequence(Qt::Key_Escape);
}

QKeySequence dictate()
{
    return QKeySequence(Qt::CTRL | Qt::Key_D);
}

QKeySequence pageView()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Space);
}

QKeySequence zoomIn()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Equal);
}

QKeySequence zoomOut()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Minus);
}

QKeySequence fitPage()
{
    return QKeySequence(Qt::CTRL | Qt::Key_0);
}

QKeySequence undo()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Z);
}

QKeySequence redo()
{
    return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

QList<Entry> reference()
{
    const auto text = [](const QKeySequence& keys) {
        return keys.toString(QKeySequence::NativeText);
    };
    return {
        {QStringLiteral("1 – 9, 0"), QStringLiteral("Pick option 1 to 10 (review, outside a text "
                                                    "field)")},
        {QStringLiteral("Alt+A, Alt+B, …"), QStringLiteral("Pick options past the tenth")},
        {QStringLiteral("Space"), QStringLiteral("Switch the focused option")},
        {text(apply()), QStringLiteral("Apply the answer and go to the next item")},
        {text(skip()), QStringLiteral("Skip: the item waits at the end of the queue")},
        {text(next()), QStringLiteral("Next item without applying")},
        {text(previous()), QStringLiteral("Previous item without applying")},
        {text(dictate()), QStringLiteral("Dictate the answer, or stop dictation")},
        {text(pageView()), QStringLiteral("Show or hide the whole page beside the crop")},
        {text(zoomIn()) + QStringLiteral(", ") + text(zoomOut()),
         QStringLiteral("Zoom the page in or out")},
        {text(fitPage()), QStringLiteral("Fit the whole page")},
        {text(undo()), QStringLiteral("Undo (typing first, inside a text field)")},
        {text(redo()), QStringLiteral("Redo")},
        {QStringLiteral("Tab, Shift+Tab"), QStringLiteral("Move between controls")},
        {QStringLiteral("Ctrl+1 – Ctrl+6"), QStringLiteral("Show a screen")},
    };
}

} // namespace reviewkeys
