#include "TemplatePresetQuestion.h"

#include <QMessageBox>
#include <QPushButton>

bool isUnchangedPreset(const QList<SurveyTemplateField>& fields)
{
    for (SurveyTemplate preset : allTemplates()) {
        if (fields == SurveyTemplateField::defaults(preset))
            return true;
    }
    return fields.isEmpty();
}

bool confirmTemplatePreset(QWidget* parent, const SurveyConfiguration& current,
                           SurveyTemplate preset)
{
    if (isUnchangedPreset(current.templateFields))
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Replace Template"),
                    QStringLiteral("Use the %1 template?").arg(rawValue(preset)),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("presetQuestion"));
    box.setInformativeText(QStringLiteral("Its sections replace the current ones, including "
                                          "your question texts and answer choices."));
    QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == replace;
}
