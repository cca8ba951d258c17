#include "ReviewDictation.h"

#include "ReviewAnswerText.h"
#include "dictation/SpeechInputController.h"
#include "dictation/SpokenAnswer.h"
#include "store/SurveyScanStore.h"

ReviewDictation::ReviewDictation(SurveyScanStore* store, SpeechInputController* controller,
                                 QObject* parent)
    : QObject(parent), m_store(store), m_controller(controller)
{
    if (!m_controller)
        return;
    m_controller->setParent(this);
    connect(m_controller, &SpeechInputController::transcriptChanged, this,
            [this](const QString& transcript) {
                if (transcript.trimmed().isEmpty() || !m_controller->isRecording())
                    return;
                for (const QuestionReviewItem& item : m_store->reviewItems()) {
                    if (item.id == m_target)
                        m_store->updateReviewItem(item, dictatedAnswer(transcript));
                }
            });
    connect(m_controller, &SpeechInputController::isRecordingChanged, this,
            &ReviewDictation::changed);
    connect(m_controller, &SpeechInputController::errorMessageChanged, this,
            &ReviewDictation::changed);
}

bool ReviewDictation::isAvailable() const
{
    return m_controller != nullptr;
}

SpeechInputController* ReviewDictation::controller() const
{
    return m_controller;
}

void ReviewDictation::toggle(const QUuid& id)
{
    if (!m_controller)
        return;
    if (m_controller->isRecording()) {
        const bool same = id == m_target;
        stop();
        if (same)
            return;
    }
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id != id)
            continue;
        const auto field = m_store->templateField(item.questionNumber);
        const QStringList options = choiceOptions(field);
        m_controller->setAllowedAnswers(
            options.isEmpty() ? QStringList() : options + spokenNoAnswerWords(),
            field && field->detectionMode == SurveyDetectionMode::multipleChoice);
        m_target = id;
        m_controller->toggle();
        Q_EMIT changed();
        return;
    }
}

void ReviewDictation::stop()
{
    if (m_controller && m_controller->isRecording())
        m_controller->stop();
}

void ReviewDictation::keepOnly(const QUuid& id)
{
    if (m_target != id)
        stop();
}

bool ReviewDictation::isDictating(const QUuid& id) const
{
    return m_controller && m_controller->isRecording() && m_target == id;
}

std::optional<QString> ReviewDictation::errorFor(const QUuid& id) const
{
    if (!m_controller || m_target != id)
        return std::nullopt;
    return m_controller->errorMessage();
}
