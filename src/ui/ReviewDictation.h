#pragma once

#include <QObject>
#include <QPointer>
#include <QUuid>
#include <optional>

class SpeechInputController;
class SurveyScanStore;

// Dictation into review items: one controller (and so one recogniser) for
// the review screen's life, shared by both review modes. What is heard goes
// into the item being dictated ("none", "blank" and "not answered" as N/A);
// a choice item listens for its labels only, a checkbox item for several.
class ReviewDictation : public QObject
{
    Q_OBJECT
public:
    // controller may be null (dictation unavailable); it is adopted.
    ReviewDictation(SurveyScanStore* store, SpeechInputController* controller,
                    QObject* parent = nullptr);

    bool isAvailable() const;
    SpeechInputController* controller() const;

    // Starts dictating into the item, or stops when it is being dictated.
    void toggle(const QUuid& id);
    void stop();
    // Stops a dictation into any other item.
    void keepOnly(const QUuid& id);
    bool isDictating(const QUuid& id) const;
    // Why the last dictation into this item failed, if it did.
    std::optional<QString> errorFor(const QUuid& id) const;

Q_SIGNALS:
    // Recording started or stopped, moved to another item, or failed.
    void changed();

private:
    SurveyScanStore* m_store;
    QPointer<SpeechInputController> m_controller;
    QUuid m_target;
};
