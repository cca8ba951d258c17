#pragma once

#include <QList>
#include <QString>

// The six screens of the main window, in sidebar order; the raw value is the
// title shown.
enum class AppSection
{
    project,
    templateEditor,
    scan,
    answers,
    review,
    statistics
};

// The sidebar groups, in order.
enum class AppSectionCategory
{
    workflow,
    analytics
};

QString rawValue(AppSection section);
QString rawValue(AppSectionCategory category);
QString symbolName(AppSection section);
AppSectionCategory category(AppSection section);

const QList<AppSection>& allAppSections();
const QList<AppSectionCategory>& allAppSectionCategories();
