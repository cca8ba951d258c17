#include "UiTestSupport.h"

#include "ui/AISettingsPanel.h"
#include "ui/AppSection.h"
#include "ui/BrandMark.h"
#include "ui/DialogBackSidePrompt.h"
#include "ui/DialogImportFileChooser.h"
#include "ui/ReviewAnswerText.h"
#include "ui/Symbols.h"
#include "ui/TemplateFieldRow.h"
#include "ui/TemplateScreen.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;

TEST(ReviewAnswerText, ReadsAndTogglesOptionsInTemplateOrder)
{
    const QStringList options{"Yes", "No", "Maybe"};
    EXPECT_EQ(selectedOptions("maybe; yes", options), (QStringList{"Yes", "Maybe"}));
    EXPECT_EQ(selectedOptions("Yes | robots", options), QStringList{"Yes"});
    EXPECT_TRUE(selectedOptions(QString(), options).isEmpty());

    EXPECT_EQ(toggledOption(QString(), options, "No"), "No");
    EXPECT_EQ(toggledOption("Maybe", options, "Yes"), "Yes; Maybe");
    EXPECT_EQ(toggledOption("Yes; Maybe", options, "Yes"), "Maybe");
    // A written piece that names no option survives a toggle.
    EXPECT_EQ(toggledOption("Other: robots", options, "No"), "No; Other: robots");
    EXPECT_EQ(selectionCountText(2), "2 answers selected");
}

// Every section has its symbol bundled; missing brand artwork falls back to
// the symbol and no icon.
TEST(BundledArtwork, EverySectionHasItsSymbolAndAMissingBrandMarkFallsBack)
{
    for (AppSection section : allAppSections())
        EXPECT_FALSE(symbols::icon(symbolName(section)).isNull())
            << symbolName(section).toStdString();
    EXPECT_FALSE(symbols::exists("no.such.symbol"));

    ASSERT_FALSE(brand::applicationIcon().isNull());
    const QString bundled = brand::markResource();
    brand::setMarkResource(":/tallywicket/brand/missing.svg");
    EXPECT_TRUE(brand::applicationIcon().isNull());
    const QPixmap fallback = brand::mark(32);
    EXPECT_FALSE(fallback.isNull());
    EXPECT_EQ(fallback.toImage().pixelColor(0, 0).alpha(), 0); // the symbol, not the tile
    brand::setMarkResource(bundled);
    EXPECT_NE(brand::mark(32).toImage().pixelColor(16, 16).alpha(), 0);
}

TEST(AISettingsPanel, ControlsWriteThroughAndFollowTheStore)
{
    QTemporaryDir dir;
    AISettingsStore settings(dir.filePath("ai.ini"));
    AISettingsPanel panel(&settings);
    auto* slider = panel.findChild<QSlider*>("autoApplySlider");
    auto* limit = panel.findChild<QSpinBox*>("batchLimit");
    auto* mode = panel.findChild<QComboBox*>("detectionMode");
    auto* model = panel.findChild<QLineEdit*>("modelField");
    ASSERT_TRUE(slider && limit && mode && model);

    EXPECT_EQ(limit->value(), 80);
    EXPECT_EQ(mode->currentText(), "Hybrid");

    slider->setValue(8);
    EXPECT_DOUBLE_EQ(settings.autoApplyConfidence(), 0.94);
    EXPECT_EQ(AISettingsPanel::confidenceText(0.995), "99% confidence or higher");
    for (int position = 0; position <= 19; ++position)
        EXPECT_EQ(AISettingsPanel::confidenceToSliderPosition(
                      AISettingsPanel::sliderPositionToConfidence(position)),
                  position);
    limit->setValue(120);
    EXPECT_EQ(settings.maxAIReviewsPerBatch(), 120);
    QTest::keyClicks(model, "x");
    EXPECT_EQ(settings.model(), "gpt-4.1-minix");

    settings.setDetectionMode(AIDetectionMode::localOnly);
    EXPECT_EQ(mode->currentText(), "Local Only");

    // Save Key is enabled only for a typed key; Remove only with a saved key.
    auto* key = panel.findChild<QLineEdit*>("apiKeyField");
    QPushButton* save = nullptr;
    QPushButton* remove = nullptr;
    for (QPushButton* button : panel.findChildren<QPushButton*>()) {
        if (button->text() == "Save Key")
            save = button;
        if (button->text() == "Remove")
            remove = button;
    }
    ASSERT_TRUE(key && save && remove);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    QTest::keyClicks(key, "   ");
    EXPECT_FALSE(save->isEnabled());
    key->clear();
    QTest::keyClicks(key, "sk-test-0123456789abcd");
    ASSERT_TRUE(save->isEnabled());
    save->click();
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(key->text().isEmpty());
}

TEST(TemplateScreenTest, RowsFollowTheStoreAndEditsGoThroughIt)
{
    QTemporaryDir dir;
    SampleScanner scanner({});
    NoReading reader;
    App app(dir.filePath("p.ini"), &scanner, &reader);
    TemplateScreen screen(app.store.get());
    ASSERT_EQ(screen.rows().size(), app.store->configuration().templateFields.size());

    TemplateFieldRow* third = screen.rows()[2];
    third->questionText()->setText("Why did you start?");
    Q_EMIT third->questionText()->editingFinished();
    EXPECT_EQ(app.store->templateField(3)->prompt, "Why did you start?");
    EXPECT_EQ(app.store->configuration().templatePreset, SurveyTemplate::custom);
    QComboBox* mode = screen.rows()[2]->detectPicker();
    mode->setCurrentIndex(mode->findText("Written"));
    Q_EMIT mode->activated(mode->currentIndex());
    EXPECT_EQ(app.store->templateField(3)->detectionMode, SurveyDetectionMode::written);

    const qsizetype before = screen.rows().size();
    screen.findChild<QPushButton*>("addSection")->click();
    EXPECT_EQ(screen.rows().size(), before + 1);
    EXPECT_EQ(screen.rows().last()->number(), before + 1);
}

// Between the passes of manual two-sided, and after a template page on the
// flatbed: its back, or done; and before unsaved changes are dropped. File
// panels return the chosen files, and nothing on cancel.
TEST(Dialogs, QuestionsShowTheirTextsAndReportTheChoiceAndFilePanelsTheChosenFiles)
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

    // The question before unsaved changes are dropped.
    DialogFilePanels panels;
    {
        MessageBoxClicker discard("Discard Changes");
        EXPECT_TRUE(panels.confirmDiscardChanges(DiscardReason::newProject));
        EXPECT_EQ(discard.informativeText, "Starting a new project discards them.");
    }
    MessageBoxClicker keep("Cancel");
    EXPECT_FALSE(panels.confirmDiscardChanges(DiscardReason::openProject));

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
    FilePanelAnswerer cancel([](QFileDialog* panel) {
        EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptOpen);
        return QString();
    });
    EXPECT_TRUE(testsupport::runTask(chooser.chooseFiles(ImportSides::all)).isEmpty());
    // The project panel chooses nothing on cancel too.
    EXPECT_EQ(DialogFilePanels().chooseFile(projectOpenPanel()), std::nullopt);
    EXPECT_EQ(cancel.panelsSeen(), 2);
}
