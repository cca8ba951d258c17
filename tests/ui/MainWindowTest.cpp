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

TEST_F(MainWindowTest, ScanCommandsFollowTheScannerAndTheConfiguration)
{
    SampleScanner scanner({});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.window->selectSection(AppSection::scan);
    QWidget* scan = app.window->screen(AppSection::scan);
    QAction* start = app.window->action(Command::startScanBatch);
    auto* button = child<QPushButton>(scan, "startScan");
    EXPECT_EQ(start->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(app.window->action(Command::importScannedFiles)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_I));

    // No scanner: said so, and neither the shortcut nor the button starts anything.
    auto* noScanner = child<QLabel>(scan, "noScannerTitle");
    EXPECT_TRUE(noScanner->isVisible());
    EXPECT_FALSE(child<QWidget>(scan, "devicePicker")->isVisible());
    EXPECT_FALSE(start->isEnabled());
    QTest::keyClick(app.window.get(), Qt::Key_Return, Qt::ControlModifier);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());
    // Without an import service there is nothing to import either.
    EXPECT_FALSE(child<QPushButton>(scan, "importScannedFiles")->isEnabled());

    SampleScanner online({feeder()});
    App ready(dir.filePath("other.ini"), &online, &reader);
    ASSERT_TRUE(ready.showAndSettle());
    QWidget* readyScan = ready.window->screen(AppSection::scan);
    EXPECT_TRUE(child<QPushButton>(readyScan, "startScan")->isEnabled());
    EXPECT_TRUE(ready.window->action(Command::startScanBatch)->isEnabled());
    EXPECT_FALSE(child<QLabel>(readyScan, "noScannerTitle")->isVisibleTo(readyScan));
    // A blank project name makes the configuration invalid: both follow.
    SurveyConfiguration configuration = ready.store->configuration();
    configuration.title = "   ";
    ready.store->setConfiguration(configuration);
    EXPECT_FALSE(child<QPushButton>(readyScan, "startScan")->isEnabled());
    EXPECT_FALSE(ready.window->action(Command::startScanBatch)->isEnabled());
}

TEST_F(MainWindowTest, ScanSettingsFollowTheDeviceAndAreKeptInThePreferences)
{
    ScannerDevice sample = feeder();
    ScannerDevice office = feeder();
    office.id = "sane:office";
    office.name = "Office scanner";
    office.takesScanSettings = true;
    office.hasDocumentFeeder = true;
    office.hasFlatbed = true;
    SampleScanner scanner({sample, office});
    NoReading reader;
    App app(settingsFile(), &scanner, &reader);
    ASSERT_TRUE(app.showAndSettle());
    app.store->selectScanner(sample.id);
    QWidget* scan = app.window->screen(AppSection::scan);
    auto* resolution = child<QComboBox>(scan, "resolutionPicker");
    auto* colour = child<QComboBox>(scan, "colourPicker");
    auto* source = child<QComboBox>(scan, "sourcePicker");
    ASSERT_TRUE(resolution && colour && source);

    // Shown for every device; a device without the options has them disabled, saying why.
    EXPECT_EQ(resolution->currentText(), "300 dpi");
    for (QComboBox* box : {resolution, colour, source}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_FALSE(box->toolTip().isEmpty());
    }

    app.store->selectScanner(office.id);
    for (QComboBox* box : {resolution, colour, source})
        EXPECT_TRUE(box->isEnabled());
    Q_EMIT resolution->activated(resolution->findData(600));
    Q_EMIT colour->activated(colour->findText("Colour"));
    Q_EMIT source->activated(source->findText("Flatbed"));
    EXPECT_EQ(app.scanPreferences->settingsFor(office.id, false),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    // The source belongs to the device it was chosen for.
    app.store->selectScanner(sample.id);
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
