#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

// The ways an answer label can be said aloud, lower case, one space between
// words: "7th" -> "seventh", "Home/Private" -> "home private",
// "home slash private", "home or private". Punctuation is dropped.
QStringList spokenForms(const QString& label);

// A speech grammar that only accepts the allowed answers of a question and
// maps what was heard back to the exact label.
class ChoiceGrammar
{
public:
    // Words the recogniser cannot pronounce are left out of a spoken form;
    // a label left with no words at all cannot be chosen by voice.
    // With several, one utterance may name several labels ("A and C").
    static ChoiceGrammar build(const QStringList& labels,
                               const std::function<bool(const QString&)>& isKnownWord,
                               bool several = false);

    bool isEmpty() const { return m_labelBySpokenForm.isEmpty(); }
    // The grammar in JSGF, one public rule listing every spoken form.
    QString jsgf() const;
    // The label whose spoken form is exactly the hypothesis, else empty.
    // With several: the labels named, in the order heard, joined with "; ".
    QString labelFor(const QString& hypothesis) const;

private:
    bool m_several = false;
    QStringList m_spokenForms;
    QHash<QString, QString> m_labelBySpokenForm;
};
