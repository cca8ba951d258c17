#include "AnswersTableModel.h"

#include "Observe.h"
#include "Theme.h"
#include "stats/AnswerStatistics.h"
#include "store/SurveyScanStore.h"

#include <QColor>
#include <QLocale>

AnswersTableModel::AnswersTableModel(SurveyScanStore* store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store)
{
    observe(
        m_store, this, [this] { reload(); }, &SurveyScanStore::responsesChanged,
        &SurveyScanStore::configurationChanged, &SurveyScanStore::detectedQuestionsChanged,
        &SurveyScanStore::reviewItemsChanged, &SurveyScanStore::answerSourcesChanged);
    m_questionCount = questionCount();
}

void AnswersTableModel::reload()
{
    beginResetModel();
    m_questionCount = questionCount();
    endResetModel();
}

qint64 AnswersTableModel::questionCount() const
{
    return statisticsQuestionCount(m_store->configuration().templateFields, m_store->responses());
}

int AnswersTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_store->responses().size());
}

int AnswersTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : fixedColumns + static_cast<int>(m_questionCount);
}

QVariant AnswersTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_store->responses().size())
        return {};
    const SurveyResponse& response = m_store->responses()[index.row()];
    const qint64 question = index.column() - fixedColumns + 1;
    // A pending answer is the reader's guess, not a blank: it looks apart.
    const bool pending = index.column() >= fixedColumns &&
                         std::any_of(m_store->reviewItems().begin(), m_store->reviewItems().end(),
                                     [&](const QuestionReviewItem& item) {
                                         return item.surveyNumber == response.surveyNumber &&
                                                item.questionNumber == question;
                                     });
    // Where the answer came from: waiting for review, or set by a person.
    const std::optional<AnswerSource> source =
        index.column() >= fixedColumns
            ? sourceOf(m_store->answerSources(), response.surveyNumber, question)
            : std::nullopt;
    if ((pending || source) && role == Qt::BackgroundRole) {
        QColor tint = theme::color(pending ? theme::Role::warning : theme::Role::teal);
        tint.setAlpha(pending ? 60 : 45);
        return tint;
    }
    if ((pending || source) && role == Qt::ToolTipRole)
        return m_store->answerValue(response.surveyNumber, question) +
               (pending                            ? QStringLiteral(" (waiting for review)")
                : source == AnswerSource::reviewed ? QStringLiteral(" (entered in review)")
                                                   : QStringLiteral(" (changed by hand)"));
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        if (index.column() == 0)
            return QString::number(response.surveyNumber);
        if (index.column() == 1)
            return QLocale().toString(response.capturedAt.toLocalTime(), QLocale::ShortFormat);
        return m_store->answerValue(response.surveyNumber, index.column() - fixedColumns + 1);
    }
    if (role == Qt::ForegroundRole && index.column() >= fixedColumns &&
        m_store->answerValue(response.surveyNumber, index.column() - fixedColumns + 1) ==
            notAnsweredText())
        return theme::color(theme::Role::secondaryText);
    if (role == Qt::TextAlignmentRole && index.column() == 0)
        return int(Qt::AlignCenter);
    return {};
}

QVariant AnswersTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    const qint64 question = section - fixedColumns + 1;
    if (role == Qt::DisplayRole) {
        if (section == 0)
            return QStringLiteral("Survey");
        if (section == 1)
            return QStringLiteral("Captured");
        return QStringLiteral("Q") + QString::number(question);
    }
    if (role == Qt::ToolTipRole && section >= fixedColumns) {
        if (const auto field = m_store->templateField(question))
            return field->prompt;
        return questionText(m_store->detectedQuestions(), question);
    }
    return {};
}

qint64 AnswersTableModel::surveyNumber(int row) const
{
    if (row < 0 || row >= m_store->responses().size())
        return -1;
    return m_store->responses()[row].surveyNumber;
}

int AnswersTableModel::rowOf(qint64 surveyNumber) const
{
    const QList<SurveyResponse>& responses = m_store->responses();
    for (int row = 0; row < responses.size(); ++row) {
        if (responses[row].surveyNumber == surveyNumber)
            return row;
    }
    return -1;
}
