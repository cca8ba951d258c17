#include "AppSection.h"

QString rawValue(AppSection section)
{
    switch (section) {
    case AppSection::project:
        return QStringLiteral("Project");
    case AppSection::templateEditor:
        return QStringLiteral("Template");
    case AppSection::scan:
        return QStringLiteral("Scan");
    case AppSection::answers:
        return QStringLiteral("Answers");
    case AppSection::review:
        return QStringLiteral("Review");
    case AppSection::statistics:
        return QStringLiteral("Statistics");
    }
    return {};
}

QString rawValue(AppSectionCategory category)
{
    switch (category) {
    case AppSectionCategory::workflow:
        return QStringLiteral("Workflow");
    case AppSectionCategory::analytics:
        return QStringLiteral("Analytics");
    }
    return {};
}

QString symbolName(AppSection section)
{
    switch (section) {
    case AppSection::project:
        return QStringLiteral("folder");
    case AppSection::templateEditor:
        return QStringLiteral("doc.text.viewfinder");
    case AppSection::scan:
        return QStringLiteral("scanner");
    case AppSection::answers:
        return QStringLiteral("tablecells");
    case AppSection::review:
        return QStringLiteral("text.viewfinder");
    case AppSection::statistics:
        return QStringLiteral("chart.pie");
    }
    return {};
}

AppSectionCategory category(AppSection section)
{
    return section == AppSection::statistics ? AppSectionCategory::analytics
                                             : AppSectionCategory::workflow;
}

const QList<AppSection>& allAppSections()
{
    static const QList<AppSection> sections{AppSection::project, AppSection::templateEditor,
                                            AppSection::scan,    AppSection::answers,
                                            AppSection::review,  AppSection::statistics};
    return sections;
}

const QList<AppSectionCategory>& allAppSectionCategories()
{
    static const QList<AppSectionCategory> categories{AppSectionCategory::workflow,
                                                      AppSectionCategory::analytics};
    return categories;
}
