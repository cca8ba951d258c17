#include "AnswerDetailPane.h"

#include "EmptyState.h"
#include "Observe.h"
#include "Symbols.h"
#include "Theme.h"
#include "stats/AnswerStatistics.h"
#include "store/SurveyScanStore.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

AnswerDetailPane::AnswerDetailPane(SurveyScanStore* store, QWidget* parent)
    : QFrame(parent), m_store(store)
{
    setObjectName(QStringLiteral("card"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    outer->addWidget(m_stack);
    m_placeholder = new EmptyState(QStringLiteral("tablecells"), QStringLiteral("Select a survey"),
                                   QStringLiteral("Click a row to see its answers."), m_stack);
    m_stack->addWidget(m_placeholder);

    auto* scroll = new QScrollArea(m_stack);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    body->setObjectName(QStringLiteral("detailBody"));
    body->setStyleSheet(QStringLiteral("QWidget#detailBody { background: transparent; }"));
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(theme::cardPadding, theme::cardPadding, theme::cardPadding,
                               theme::cardPadding);
    layout->setSpacing(10);
    m_title = theme::label(QString(), QStringLiteral("title"), body);
    m_title->setObjectName(QStringLiteral("detailTitle"));
    m_captured = theme::label(QString(), QStringLiteral("caption"), body);
    m_noAnswers =
        theme::label(QStringLiteral("No answers detected yet"), QStringLiteral("hint"), body);
    layout->addWidget(m_title);
    layout->addWidget(m_captured);
    layout->addWidget(m_noAnswers);
    m_rowsHost = new QWidget(body);
    m_rowsLayout = new QVBoxLayout(m_rowsHost);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(8);
    layout->addWidget(m_rowsHost);
    m_delete =
        new QPushButton(symbols::icon(QStringLiteral("trash"), theme::color(theme::Role::danger)),
                        QStringLiteral("Delete survey"), body);
    m_delete->setObjectName(QStringLiteral("deleteSurvey"));
    layout->addWidget(m_delete, 0, Qt::AlignLeft);
    layout->addStretch();
    scroll->setWidget(body);
    m_stack->addWidget(scroll);

    connect(m_delete, &QPushButton::clicked, this, &AnswerDetailPane::confirmDelete);
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::selectedSurveyNumberChanged,
        &SurveyScanStore::responsesChanged, &SurveyScanStore::configurationChanged,
        &SurveyScanStore::detectedQuestionsChanged);
    refresh();
}

void AnswerDetailPane::refresh()
{
    const auto selected = m_store->selectedSurveyNumber();
    const SurveyResponse* response = nullptr;
    for (const SurveyResponse& candidate : m_store->responses()) {
        if (selected && candidate.surveyNumber == *selected) {
            response = &candidate;
            break;
        }
    }
    if (!response) {
        m_shownSurvey.reset();
        m_stack->setCurrentIndex(0);
        return;
    }
    m_stack->setCurrentIndex(1);
    const qint64 questions =
        statisticsQuestionCount(m_store->configuration().templateFields, m_store->responses());
    if (m_shownSurvey != response->surveyNumber || m_fields.size() != questions)
        rebuild(response->surveyNumber, questions);
    m_title->setText(QStringLiteral("Survey ") + QString::number(response->surveyNumber));
    m_captured->setText(
        QLocale().toString(response->capturedAt.toLocalTime(), QLocale::LongFormat));
    bool anyAnswer = false;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const QString value = m_store->answerValue(response->surveyNumber, i + 1);
        anyAnswer = anyAnswer || value != notAnsweredText();
        if (!m_fields[i]->hasFocus() && m_fields[i]->text() != value)
            m_fields[i]->setText(value);
    }
    m_noAnswers->setVisible(!anyAnswer);
}

void AnswerDetailPane::rebuild(qint64 surveyNumber, qint64 questionCount)
{
    m_shownSurvey = surveyNumber;
    // Later, not now: a field of the old survey may still be delivering a signal.
    for (QWidget* child : m_rowsHost->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->disconnect(this);
        child->hide();
        child->deleteLater();
    }
    m_fields.clear();
    for (qint64 question = 1; question <= questionCount; ++question) {
        const auto field = m_store->templateField(question);
        const QString prompt =
            field ? field->prompt : questionText(m_store->detectedQuestions(), question);
        auto* label = new QLabel(
            QStringLiteral("<b>Q%1</b>&nbsp;&nbsp;%2").arg(question).arg(prompt.toHtmlEscaped()),
            m_rowsHost);
        label->setWordWrap(true);
        auto* edit = new QLineEdit(m_rowsHost);
        edit->setAccessibleName(QStringLiteral("Q") + QString::number(question));
        m_rowsLayout->addWidget(label);
        m_rowsLayout->addWidget(edit);
        connect(edit, &QLineEdit::editingFinished, this, [this, question] { commit(question); });
        m_fields.append(edit);
    }
}

void AnswerDetailPane::commit(qint64 question)
{
    if (!m_shownSurvey || question < 1 || question > m_fields.size())
        return;
    const QString text = m_fields[question - 1]->text();
    const QString current = m_store->answerValue(*m_shownSurvey, question);
    const QString wanted = text.trimmed().isEmpty() ? notAnsweredText() : text.trimmed();
    if (wanted == current)
        return;
    m_store->updateAnswer(*m_shownSurvey, question, text);
}

void AnswerDetailPane::confirmDelete()
{
    if (!m_shownSurvey)
        return;
    const qint64 number = *m_shownSurvey;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Delete Survey"),
                    QStringLiteral("Delete survey %1?").arg(number), QMessageBox::NoButton,
                    window());
    box.setObjectName(QStringLiteral("deleteQuestion"));
    box.setInformativeText(QStringLiteral("Its answers, pages and review items are removed from "
                                          "the project and the connected CSV. The scanned image "
                                          "files stay on disk."));
    QPushButton* remove = box.addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() != remove)
        return;
    for (const SurveyResponse& response : m_store->responses()) {
        if (response.surveyNumber == number) {
            m_store->deleteResponse(response);
            return;
        }
    }
}
