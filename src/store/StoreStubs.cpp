// Operations still being written; they keep the store building meanwhile.
#include "SurveyScanStore.h"

QCoro::Task<> SurveyScanStore::refreshScanners()
{
    co_return;
}
void SurveyScanStore::applySelectedScannerCapabilities() {}
void SurveyScanStore::selectScanner(const QString&) {}
QCoro::Task<> SurveyScanStore::startScanBatch()
{
    co_return;
}
void SurveyScanStore::cancelScan() {}
QString SurveyScanStore::answerValue(qint64, qint64) const
{
    return QStringLiteral("N/A");
}
void SurveyScanStore::updateAnswer(qint64, qint64, const QString&) {}
void SurveyScanStore::updateReviewItem(const QuestionReviewItem&, const QString&) {}
void SurveyScanStore::applyReviewItem(const QuestionReviewItem&) {}
void SurveyScanStore::deleteResponse(const SurveyResponse&) {}
void SurveyScanStore::applyTemplatePreset(SurveyTemplate) {}
void SurveyScanStore::updateTemplateField(const SurveyTemplateField&) {}
void SurveyScanStore::addTemplateField() {}
void SurveyScanStore::deleteTemplateField(const SurveyTemplateField&) {}
QCoro::Task<> SurveyScanStore::scanTemplatePage()
{
    co_return;
}
SurveyConfiguration SurveyScanStore::makeTemplateDiscoveryConfiguration() const
{
    return m_configuration;
}
void SurveyScanStore::applyDetectedTemplateQuestions(const QList<SurveyQuestion>&) {}
void SurveyScanStore::newProject() {}
void SurveyScanStore::openProject() {}
void SurveyScanStore::openProject(const QString&) {}
void SurveyScanStore::saveProject() {}
void SurveyScanStore::saveProjectAs() {}
void SurveyScanStore::chooseCSVFile() {}
void SurveyScanStore::exportCSV() {}
void SurveyScanStore::resetAIStatus() {}
bool SurveyScanStore::writeProject(const QUrl&, bool)
{
    return false;
}
void SurveyScanStore::rewriteCSVIfConnected() {}
