#include "TestSupport.h"
#include "UiTestSupport.h"

#include "ui/SettingsWindow.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace uitest;
using Command = MainWindow::Command;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString settingsFile() const { return dir.filePath("preferences.ini"); }

    template <typename T> static T* child(QWidget* parent, const char* name)
    {
        return parent->findChild<T*>(QString::fromLatin1(name));
    }
};

using testsupport::readText;

} // namespace

TEST_F(MainWindowTest, QuittingWithPendingReviewAsksAndSavesTheQueue)
{
    SampleScanner scanner({feeder()}, samplePages(2));
    DoubtfulReader reader({"A"}, {{1, "A"}}); // one answer of every survey in doubt
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    QCoro::waitFor(app.store->startScanBatch());
    ASSERT_EQ(app.store->reviewItems().size(), 1);

    const QString target = dir.filePath("run.twk");
    FilePanelAnswerer answer([&](QFileDialog*) { return target; });
    MessageBoxClicker clicker("Save");
    EXPECT_TRUE(app.window->close());
    EXPECT_EQ(clicker.informativeText,
              "1 answer is waiting for review. Save the project before closing?");
    EXPECT_TRUE(readText(target).contains("\"reviewItems\""));
}

// The scan screen follows the devices: nothing starts without a scanner, a
// blank project name disables the start, and the scan settings are shown for
// every device, enabled where it takes them and kept per device.
TEST_F(MainWindowTest, ScanCommandsAndSettingsFollowTheScannerAndTheConfiguration)
{
    SampleScanner none({});
    NoReading reader;
    App app(settingsFile(), &none, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);
    QAction* start = app.window->action(Command::startScanBatch);
    EXPECT_TRUE(child<QLabel>(scan, "noScannerTitle")->isVisible());
    EXPECT_FALSE(child<QWidget>(scan, "devicePicker")->isVisible());
    EXPECT_FALSE(start->isEnabled());
    QTest::keyClick(app.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::mouseClick(child<QPushButton>(scan, "startScan"), Qt::LeftButton);
    EXPECT_TRUE(none.scanConfigurations.isEmpty());
    // Without an import service there is nothing to import either.
    EXPECT_FALSE(child<QPushButton>(scan, "importScannedFiles")->isEnabled());

    ScannerDevice sample = feeder();
    ScannerDevice office = feeder();
    office.id = "sane:office";
    office.takesScanSettings = office.hasDocumentFeeder = office.hasFlatbed = true;
    SampleScanner scanner({sample, office});
    App ready(dir.filePath("other.ini"), &scanner, &reader);
    ASSERT_TRUE(ready.showAndSettle());
    ready.store->selectScanner(sample.id);
    scan = ready.window->screen(AppSection::scan);
    auto* button = child<QPushButton>(scan, "startScan");
    EXPECT_TRUE(button->isEnabled() && ready.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_FALSE(child<QLabel>(scan, "noScannerTitle")->isVisibleTo(scan));
    SurveyConfiguration configuration = ready.store->configuration();
    configuration.title = "   ";
    ready.store->setConfiguration(configuration);
    EXPECT_FALSE(button->isEnabled() || ready.window->action(Command::startScanBatch)->isEnabled());

    auto* resolution = child<QComboBox>(scan, "resolutionPicker");
    auto* colour = child<QComboBox>(scan, "colourPicker");
    auto* source = child<QComboBox>(scan, "sourcePicker");
    ASSERT_TRUE(resolution && colour && source);
    EXPECT_EQ(resolution->currentText(), "300 dpi");
    for (QComboBox* box : {resolution, colour, source}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->toolTip().isEmpty()); // saying why
    }
    ready.store->selectScanner(office.id);
    for (QComboBox* box : {resolution, colour, source})
        EXPECT_TRUE(box->isEnabled());
    Q_EMIT resolution->activated(resolution->findData(600));
    Q_EMIT colour->activated(colour->findText("Colour"));
    Q_EMIT source->activated(source->findText("Flatbed"));
    EXPECT_EQ(ready.scanPreferences->settingsFor(office.id, false),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    // The source belongs to the device it was chosen for.
    ready.store->selectScanner(sample.id);
    EXPECT_EQ(source->currentText(), "Automatic");
    EXPECT_EQ(resolution->currentText(), "600 dpi");
}

// Once shown, the prompt is not shown again by a later launch with the same preferences file.
TEST_F(MainWindowTest, FirstRunPromptAppearsOnceAcrossLaunchesWithOnePreferencesFile)
{
    SampleScanner scanner({});
    NoReading reader;
    const auto prompted = [&](const QString& file) {
        App app(file, &scanner, &reader, false);
        EXPECT_TRUE(app.showAndSettle());
        QMessageBox* prompt = app.window->firstRunPrompt();
        if (!prompt)
            return false;
        EXPECT_TRUE(prompt->isVisible());
        for (QAbstractButton* button : prompt->buttons())
            if (button->text() == "Open Settings")
                button->click();
        EXPECT_TRUE(app.window->settingsWindow()->isVisible());
        return true;
    };
    EXPECT_TRUE(prompted(settingsFile()));
    EXPECT_FALSE(prompted(settingsFile()));
    EXPECT_TRUE(prompted(dir.filePath("other.ini")));
}
