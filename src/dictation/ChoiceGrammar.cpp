#include "ChoiceGrammar.h"

#include "SpokenNumbers.h"

#include <QRegularExpression>

namespace {

// One piece of a label: a word, or the slash between two alternatives.
QStringList labelTokens(const QString& label)
{
    static const QRegularExpression token(QStringLiteral("[\\p{L}\\p{N}']+|/|&|%"));
    QStringList tokens;
    auto matches = token.globalMatch(label.toLower());
    while (matches.hasNext())
        tokens.append(matches.next().captured());
    return tokens;
}

QString spokenWord(const QString& token)
{
    static const QRegularExpression ordinal(QStringLiteral("^(\\d+)(st|nd|rd|th)$"));
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    if (const auto match = ordinal.match(token); match.hasMatch())
        return ordinalWords(match.captured(1).toLongLong());
    if (digits.match(token).hasMatch())
        return cardinalWords(token.toLongLong());
    if (token == QLatin1String("&"))
        return QStringLiteral("and");
    if (token == QLatin1String("%"))
        return QStringLiteral("percent");
    QString word = token;
    while (word.startsWith(QLatin1Char('\'')))
        word.remove(0, 1);
    while (word.endsWith(QLatin1Char('\'')))
        word.chop(1);
    return word;
}

QString normalizedHypothesis(const QString& text)
{
    return text.simplified().toLower();
}

} // namespace

QStringList spokenForms(const QString& label)
{
    const QStringList tokens = labelTokens(label);
    const bool hasSlash = tokens.contains(QStringLiteral("/"));
    // Operators say "home private", "home slash private" or "home or private".
    const QStringList slashReadings =
        hasSlash ? QStringList{QString(), QStringLiteral("slash"), QStringLiteral("or")}
                 : QStringList{QString()};
    QStringList forms;
    for (const QString& slashReading : slashReadings) {
        QStringList words;
        for (const QString& token : tokens) {
            const QString word = token == QLatin1String("/") ? slashReading : spokenWord(token);
            if (!word.isEmpty())
                words.append(word);
        }
        const QString form = words.join(QLatin1Char(' '));
        if (!form.isEmpty() && !forms.contains(form))
            forms.append(form);
    }
    return forms;
}

ChoiceGrammar ChoiceGrammar::build(const QStringList& labels,
                                   const std::function<bool(const QString&)>& isKnownWord,
                                   bool several)
{
    ChoiceGrammar grammar;
    grammar.m_several = several;
    for (const QString& label : labels) {
        for (const QString& form : spokenForms(label)) {
            QStringList known;
            for (const QString& word : form.split(QLatin1Char(' '))) {
                if (isKnownWord(word))
                    known.append(word);
            }
            const QString sayable = known.join(QLatin1Char(' '));
            // The first label keeps a spoken form two labels share.
            if (sayable.isEmpty() || grammar.m_labelBySpokenForm.contains(sayable))
                continue;
            grammar.m_spokenForms.append(sayable);
            grammar.m_labelBySpokenForm.insert(sayable, label);
        }
    }
    return grammar;
}

QString ChoiceGrammar::jsgf() const
{
    const QString forms = m_spokenForms.join(QStringLiteral(" | "));
    if (!m_several)
        return QStringLiteral("#JSGF V1.0;\ngrammar answers;\npublic <answer> = ") + forms +
               QStringLiteral(";\n");
    return QStringLiteral("#JSGF V1.0;\ngrammar answers;\n"
                          "public <answer> = <label> ( [and] <label> )*;\n<label> = ") +
           forms + QStringLiteral(";\n");
}

QString ChoiceGrammar::labelFor(const QString& hypothesis) const
{
    const QString heard = normalizedHypothesis(hypothesis);
    const QString whole = m_labelBySpokenForm.value(heard);
    if (!whole.isEmpty() || !m_several)
        return whole;
    // Longest spoken form first at each place, "and" between labels.
    const QStringList words = heard.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList labels;
    qsizetype at = 0;
    while (at < words.size()) {
        if (words[at] == QLatin1String("and") && !labels.isEmpty()) {
            ++at;
            continue;
        }
        QString found;
        qsizetype end = words.size();
        for (; end > at; --end) {
            found = m_labelBySpokenForm.value(words.mid(at, end - at).join(QLatin1Char(' ')));
            if (!found.isEmpty())
                break;
        }
        if (found.isEmpty())
            return {};
        if (!labels.contains(found))
            labels.append(found);
        at = end;
    }
    return labels.join(QStringLiteral("; "));
}
