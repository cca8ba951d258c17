#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <optional>

// The review screen's keys. Plain keys act only when the keyboard is not in
// a text field; everything else is a Ctrl or Alt combination, and no key is
// taken twice (tests hold every key against the window's menus).
namespace reviewkeys {

// Option n (from 0): 1-9, 0 for the tenth, then Alt+letter. The letters
// leave out the menus' Alt mnemonics (File, Edit, View, Help).
std::optional<QKeySequence> optionKey(qsizetype index);
// Which option a key press picks, if any.
std::optional<qsizetype> optionIndex(int key, Qt::KeyboardModifiers modifiers);

QKeySequence apply();
QKeySequence next();
QKeySequence previous();
QKeySequence skip();
QKeySequence dictate();
// The page beside the crop, and its zoom.
QKeySequence pageView();
QKeySequence zoomIn();
QKeySequence zoomOut();
QKeySequence fitPage();
QKeySequence undo();
QKeySequence redo();

// What the Keyboard Shortcuts window lists: the key as shown, what it does.
struct Entry
{
    QString keys;
    QString action;
};
QList<Entry> reference();

} // namespace reviewkeys
