#include "UiTestSupport.h"

#include "TestSupport.h"
#include "ui/DialogBackSidePrompt.h"
#include "ui/DialogImportFileChooser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace uitest;

// Between the passes of manual two-sided, and after a template page on the
// flatbed: its back, or done.
TEST(BackSidePromptDialog, ShowsTheReloadTextsAndReportsTheChoice)
{
    DialogBackSidePrompt prompt;
    const std::tuple<bool, const char*, BackSideChoice> rows[] = {
        {false, "Scan Back Sides", BackSideChoice::scanBacks},
        {false, "Cancel Scan", BackSideChoice::cancel},
        {true, "Scan Back Side", BackSideChoice::scanBacks},
        {true, "Done", BackSideChoice::cancel},
    };
    for (const auto& [templateBack, button, choice] : rows) {
        MessageBoxClicker clicker(button);
        EXPECT_EQ(testsupport::runTask(templateBack ? prompt.askForTemplateBackSide()
                                                    : prompt.askToReloadBacks()),
                  choice);
        if (templateBack) {
            EXPECT_EQ(clicker.buttons, QStringList({"Scan Back Side", "Done"}));
        } else {
            EXPECT_EQ(clicker.text, "Reload back sides");
        }
    }
}

TEST(UnsavedChangesQuestion, DiscardAgreesAndCancelKeepsTheChanges)
{
    DialogFilePanels panels;
    {
        MessageBoxClicker clicker("Discard Changes");
        EXPECT_TRUE(panels.confirmDiscardChanges(DiscardReason::newProject));
        EXPECT_EQ(clicker.informativeText, "Starting a new project discards them.");
    }
    {
        MessageBoxClicker clicker("Cancel");
        EXPECT_FALSE(panels.confirmDiscardChanges(DiscardReason::openProject));
    }
}

TEST(FilePanelsDialog, CancellingAPanelChoosesNothing)
{
    DialogFilePanels panels;
    FilePanelAnswerer cancel([](QFileDialog* panel) {
        EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
        return QString();
    });
    EXPECT_EQ(panels.chooseFile(projectOpenPanel()), std::nullopt);
    EXPECT_EQ(cancel.panelsSeen(), 1);
}

TEST(ImportFileChooserDialog, ReturnsTheChosenFilesAndNothingOnCancel)
{
    DialogImportFileChooser chooser;
    const QString page = samplePages(1).constFirst();
    {
        FilePanelAnswerer choose([&](QFileDialog* panel) {
            EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFiles);
            EXPECT_EQ(panel->windowTitle(), "Import Back Sides");
            return page;
        });
        EXPECT_EQ(testsupport::runTask(chooser.chooseFiles(ImportSides::backs)), QStringList{page});
    }
    {
        FilePanelAnswerer cancel([](QFileDialog*) { return QString(); });
        EXPECT_TRUE(testsupport::runTask(chooser.chooseFiles(ImportSides::all)).isEmpty());
    }
}
