#pragma once

#include <QObject>

// Calls slot whenever any of the sender's signals fires; the signals' values
// are ignored because the slot re-reads the sender.
template <typename Sender, typename Slot, typename... Signals>
void observe(Sender* sender, QObject* context, Slot slot, Signals... notifiers)
{
    (QObject::connect(sender, notifiers, context, [slot] { slot(); }), ...);
}
