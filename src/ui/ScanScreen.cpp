#include "ScanScreen.h"

#include "Badge.h"
#include "Card.h"
#include "Observe.h"
#include "ScannerDetails.h"
#include "StageBadge.h"
#include "Symbols.h"
#include "Tasks.h"
#include "TemplatePresetQuestion.h"
#include "Theme.h"
#include "store/ScanPreferences.h"
#include "store/SurveyScanStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

ScanScreen::ScanScreen(SurveyScanStore* store, QWidget* parent) : ScreenPage(parent), m_store(store)
{
    column()->addWidget(buildHeader());
    column()->addWidget(buildDeviceCard());
    column()->addWidget(buildSetupCard());
    column()->addWidget(buildProgressCard());
    column()->addWidget(buildOutputCard());
    column()->addStretch();

    observe(
        m_store, this, [this] { refreshStatus(); }, &SurveyScanStore::stageChanged,
        &SurveyScanStore::statusMessageChanged, &SurveyScanStore::errorMessageChanged);
    observe(
        m_store, this, [this] { refreshDevices(); }, &SurveyScanStore::scannersChanged,
        &SurveyScanStore::selectedScannerIDChanged);
    observe(
        m_store, this, [this] { refreshSetup(); }, &SurveyScanStore::configurationChanged);
    observe(
        m_store, this, [this] { refreshScanSettings(); }, &SurveyScanStore::scannersChanged,
        &SurveyScanStore::selectedScannerIDChanged);
    if (ScanPreferences* preferences = m_store->scanPreferences())
        connect(preferences, &ScanPreferences::changed, this, [this] { refreshScanSettings(); });
    observe(
        m_store, this, [this] { refreshProgress(); }, &SurveyScanStore::stageChanged,
        &SurveyScanStore::pagesChanged, &SurveyScanStore::readingProgressChanged,
        &SurveyScanStore::canStartScanChanged);
    observe(
        m_store, this, [this] { refreshOutput(); }, &SurveyScanStore::csvURLChanged,
        &SurveyScanStore::responsesChanged, &SurveyScanStore::lastAIStatusMessageChanged,
        &SurveyScanStore::lastAIAttemptCountChanged,
        &SurveyScanStore::lastAIAutoAppliedCountChanged, &SurveyScanStore::lastAIErrorCountChanged);
    refreshStatus();
    refreshDevices();
    refreshSetup();
    refreshScanSettings();
    refreshProgress();
    refreshOutput();
}

QWidget* ScanScreen::buildHeader()
{
    auto* header = new QWidget;
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* top = makeRow(10);
    top->addWidget(theme::label(QStringLiteral("Scan"), QStringLiteral("title"), header));
    m_stage = new Badge(header);
    m_stage->setObjectName(QStringLiteral("stageBadge"));
    top->addWidget(m_stage, 0, Qt::AlignVCenter);
    top->addStretch();
    layout->addLayout(top);
    m_status = theme::label(QString(), QStringLiteral("subtitle"), header);
    m_status->setObjectName(QStringLiteral("statusMessage"));
    layout->addWidget(m_status);
    m_error = theme::label(QString(), QStringLiteral("error"), header);
    m_error->setObjectName(QStringLiteral("errorMessage"));
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_error);
    return header;
}

QWidget* ScanScreen::buildDeviceCard()
{
    auto* card = new Card(QStringLiteral("Scanner"), QStringLiteral("scanner"));
    m_devicePicker = new QWidget(card);
    auto* pickerLayout = new QVBoxLayout(m_devicePicker);
    pickerLayout->setContentsMargins(0, 0, 0, 0);
    auto* row = makeRow();
    row->addWidget(new QLabel(QStringLiteral("Device"), m_devicePicker));
    m_devices = new QComboBox(m_devicePicker);
    m_devices->setObjectName(QStringLiteral("devicePicker"));
    m_devices->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_devices->setMinimumContentsLength(18);
    row->addWidget(m_devices, 1);
    m_detailsButton = new QToolButton(m_devicePicker);
    m_detailsButton->setIcon(symbols::icon(QStringLiteral("info.circle")));
    m_detailsButton->setToolTip(QStringLiteral("Scanner details"));
    m_detailsButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_detailsButton);
    m_details = new ScannerDetails(menu);
    auto* detailsAction = new QWidgetAction(menu);
    detailsAction->setDefaultWidget(m_details);
    menu->addAction(detailsAction);
    m_detailsButton->setMenu(menu);
    row->addWidget(m_detailsButton);
    pickerLayout->addLayout(row);
    m_deviceDetail = theme::label(QString(), QStringLiteral("caption"), m_devicePicker);
    pickerLayout->addWidget(m_deviceDetail);
    card->body()->addWidget(m_devicePicker);

    m_noScanner = new QWidget(card);
    auto* noScannerLayout = new QVBoxLayout(m_noScanner);
    noScannerLayout->setContentsMargins(0, 0, 0, 0);
    noScannerLayout->setSpacing(2);
    auto* noScannerTitle =
        theme::label(QStringLiteral("No Scanner Found"), QStringLiteral("heading"), m_noScanner);
    noScannerTitle->setObjectName(QStringLiteral("noScannerTitle"));
    noScannerLayout->addWidget(noScannerTitle);
    noScannerLayout->addWidget(
        theme::label(QStringLiteral("Connect a USB scanner and refresh the device list."),
                     QStringLiteral("subtitle"), m_noScanner));
    card->body()->addWidget(m_noScanner);

    auto* refreshRow = makeRow();
    auto* refresh = new QPushButton(symbols::icon(QStringLiteral("arrow.clockwise")),
                                    QStringLiteral("Refresh Scanners"), card);
    refresh->setObjectName(QStringLiteral("refreshScanners"));
    refreshRow->addWidget(refresh);
    refreshRow->addStretch();
    card->body()->addLayout(refreshRow);

    connect(m_devices, &QComboBox::activated, this,
            [this](int index) { m_store->selectScanner(m_devices->itemData(index).toString()); });
    connect(refresh, &QPushButton::clicked, m_store,
            [this] { startDetached(m_store->refreshScanners()); });
    return card;
}

QWidget* ScanScreen::buildSetupCard()
{
    auto* card = new Card(QStringLiteral("Survey Setup"), QStringLiteral("doc.text"));
    auto* form = new QFormLayout;
    form->setHorizontalSpacing(16);
    m_template = new QComboBox(card);
    m_template->setObjectName(QStringLiteral("templatePicker"));
    for (SurveyTemplate preset : allTemplates())
        m_template->addItem(rawValue(preset), static_cast<int>(preset));
    form->addRow(QStringLiteral("Template"), m_template);
    m_captureBack = new QCheckBox(QStringLiteral("Capture back side"), card);
    form->addRow(QStringLiteral("Sides"), m_captureBack);
    m_mode = new QComboBox(card);
    m_mode->setObjectName(QStringLiteral("modePicker"));
    for (DuplexMode mode : {DuplexMode::simplex, DuplexMode::manual, DuplexMode::automatic})
        m_mode->addItem(rawValue(mode), static_cast<int>(mode));
    form->addRow(QStringLiteral("Mode"), m_mode);
    // Kept in the app preferences, not in the project: they belong to the
    // scanner at this desk, not to the survey.
    m_resolution = new QComboBox(card);
    m_resolution->setObjectName(QStringLiteral("resolutionPicker"));
    for (int dpi : offeredResolutions())
        m_resolution->addItem(QStringLiteral("%1 dpi").arg(dpi), dpi);
    form->addRow(QStringLiteral("Resolution"), m_resolution);
    m_colour = new QComboBox(card);
    m_colour->setObjectName(QStringLiteral("colourPicker"));
    m_colour->addItem(QStringLiteral("Grey"), static_cast<int>(ScanColour::grey));
    m_colour->addItem(QStringLiteral("Colour"), static_cast<int>(ScanColour::colour));
    form->addRow(QStringLiteral("Colour"), m_colour);
    m_source = new QComboBox(card);
    m_source->setObjectName(QStringLiteral("sourcePicker"));
    m_source->addItem(QStringLiteral("Automatic"), static_cast<int>(ScanSource::automatic));
    m_source->addItem(QStringLiteral("Feeder"), static_cast<int>(ScanSource::feeder));
    m_source->addItem(QStringLiteral("Flatbed"), static_cast<int>(ScanSource::flatbed));
    form->addRow(QStringLiteral("Source"), m_source);
    card->body()->addLayout(form);
    card->body()->addWidget(theme::label(
        QStringLiteral("Manual two-sided mode will scan fronts first, then backs in the same "
                       "order."),
        QStringLiteral("hint"), card));

    connect(m_template, &QComboBox::activated, this, [this](int index) {
        const auto preset = static_cast<SurveyTemplate>(m_template->itemData(index).toInt());
        if (preset != m_store->configuration().templatePreset &&
            confirmTemplatePreset(window(), m_store->configuration(), preset))
            m_store->applyTemplatePreset(preset);
        refreshSetup();
    });
    connect(m_captureBack, &QCheckBox::toggled, this, [this](bool on) {
        changeConfiguration([on](SurveyConfiguration& c) { c.scanBothSides = on; });
    });
    connect(m_mode, &QComboBox::activated, this, [this](int index) {
        const auto mode = static_cast<DuplexMode>(m_mode->itemData(index).toInt());
        changeConfiguration([mode](SurveyConfiguration& c) { c.duplexMode = mode; });
    });
    connect(m_resolution, &QComboBox::activated, this, [this](int index) {
        if (ScanPreferences* preferences = m_store->scanPreferences())
            preferences->setResolution(m_resolution->itemData(index).toInt());
    });
    connect(m_colour, &QComboBox::activated, this, [this](int index) {
        if (ScanPreferences* preferences = m_store->scanPreferences())
            preferences->setColour(static_cast<ScanColour>(m_colour->itemData(index).toInt()));
    });
    connect(m_source, &QComboBox::activated, this, [this](int index) {
        const auto device = m_store->selectedScanner();
        if (ScanPreferences* preferences = m_store->scanPreferences(); preferences && device)
            preferences->setSource(device->id,
                                   static_cast<ScanSource>(m_source->itemData(index).toInt()));
    });
    return card;
}

QWidget* ScanScreen::buildProgressCard()
{
    auto* card = new Card(QStringLiteral("Progress"), QStringLiteral("doc.text.viewfinder"));
    auto* top = makeRow(10);
    m_progressStage = new Badge(card);
    top->addWidget(m_progressStage);
    m_captured = theme::label(QString(), QStringLiteral("subtitle"), card);
    m_captured->setObjectName(QStringLiteral("capturedCount"));
    top->addWidget(m_captured);
    top->addStretch();
    card->body()->addLayout(top);
    m_feederNote = theme::label(QStringLiteral("Scanning until the feeder is done"),
                                QStringLiteral("caption"), card);
    card->body()->addWidget(m_feederNote);
    m_scanCounts = theme::label(QString(), QStringLiteral("heading"), card);
    m_scanCounts->setObjectName(QStringLiteral("scanProgress"));
    card->body()->addWidget(m_scanCounts);
    m_reading = new QProgressBar(card);
    m_reading->setObjectName(QStringLiteral("readingProgress"));
    card->body()->addWidget(m_reading);

    auto* buttons = makeRow();
    m_start = new QPushButton(symbols::icon(QStringLiteral("play.fill"), Qt::white),
                              QStringLiteral("Start Scan"), card);
    m_start->setObjectName(QStringLiteral("startScan"));
    m_start->setProperty("primary", true);
    m_cancel = new QPushButton(symbols::icon(QStringLiteral("stop.circle")),
                               QStringLiteral("Cancel"), card);
    m_cancel->setObjectName(QStringLiteral("cancelScan"));
    m_import = new QPushButton(symbols::icon(QStringLiteral("square.and.arrow.down")),
                               QStringLiteral("Import Scanned Files..."), card);
    m_import->setObjectName(QStringLiteral("importScannedFiles"));
    m_import->setToolTip(
        QStringLiteral("Read images or PDFs scanned on another device, such as an office copier."));
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_import);
    buttons->addStretch();
    card->body()->addLayout(buttons);

    connect(m_start, &QPushButton::clicked, m_store, [this] {
        if (m_store->canStartScan())
            startDetached(m_store->startScanBatch());
    });
    connect(m_import, &QPushButton::clicked, m_store, [this] {
        if (m_store->canImport())
            startDetached(m_store->importScannedFiles());
    });
    connect(m_cancel, &QPushButton::clicked, m_store, [this] { m_store->cancelScan(); });
    return card;
}

QWidget* ScanScreen::buildOutputCard()
{
    auto* card = new Card(QStringLiteral("Output"), QStringLiteral("tablecells"));
    auto* csvRow = makeRow(10);
    m_csvState = theme::label(QString(), QStringLiteral("heading"), card);
    m_csvState->setObjectName(QStringLiteral("csvState"));
    m_csvFile = theme::label(QString(), QStringLiteral("caption"), card);
    csvRow->addWidget(m_csvState);
    csvRow->addWidget(m_csvFile, 1);
    card->body()->addLayout(csvRow);
    auto* buttons = makeRow();
    m_connectCSV = new QPushButton(card);
    m_exportSnapshot = new QPushButton(symbols::icon(QStringLiteral("square.and.arrow.up")),
                                       QStringLiteral("Export Snapshot"), card);
    buttons->addWidget(m_connectCSV);
    buttons->addWidget(m_exportSnapshot);
    buttons->addStretch();
    card->body()->addLayout(buttons);

    auto* aiRow = makeRow(8);
    m_aiIcon = new QLabel(card);
    m_aiStatus = theme::label(QString(), QStringLiteral("caption"), card);
    m_aiStatus->setObjectName(QStringLiteral("aiStatus"));
    aiRow->addWidget(m_aiIcon, 0, Qt::AlignTop);
    aiRow->addWidget(m_aiStatus, 1);
    card->body()->addLayout(aiRow);
    m_aiCounts = theme::label(QString(), QStringLiteral("caption"), card);
    m_aiCounts->setObjectName(QStringLiteral("aiCounts"));
    card->body()->addWidget(m_aiCounts);

    connect(m_connectCSV, &QPushButton::clicked, m_store, [this] { m_store->chooseCSVFile(); });
    connect(m_exportSnapshot, &QPushButton::clicked, m_store, [this] { m_store->exportCSV(); });
    return card;
}

void ScanScreen::refreshStatus()
{
    m_stage->setState(rawValue(m_store->stage()), stageTone(m_store->stage()));
    m_status->setText(m_store->statusMessage());
    const auto& error = m_store->errorMessage();
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value() && !error->isEmpty());
}

void ScanScreen::refreshDevices()
{
    const QList<ScannerDevice>& devices = m_store->scanners();
    m_devicePicker->setVisible(!devices.isEmpty());
    m_noScanner->setVisible(devices.isEmpty());
    const QSignalBlocker blocker(m_devices);
    m_devices->clear();
    for (const ScannerDevice& device : devices) {
        QString label = device.name;
        if (!device.isOnline)
            label += QStringLiteral(" (Offline)");
        m_devices->addItem(label, device.id);
    }
    const auto selected = m_store->selectedScanner();
    m_devices->setCurrentIndex(selected ? m_devices->findData(selected->id) : -1);
    m_detailsButton->setEnabled(selected.has_value());
    if (selected) {
        m_details->setDevice(*selected);
        m_deviceDetail->setText(selected->statusDetail);
    }
    m_deviceDetail->setVisible(selected.has_value() && !selected->statusDetail.isEmpty());
}

void ScanScreen::refreshSetup()
{
    const SurveyConfiguration& configuration = m_store->configuration();
    const QSignalBlocker templateBlocker(m_template);
    m_template->setCurrentIndex(
        m_template->findData(static_cast<int>(configuration.templatePreset)));
    const QSignalBlocker backBlocker(m_captureBack);
    m_captureBack->setChecked(configuration.scanBothSides);
    const QSignalBlocker modeBlocker(m_mode);
    m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(configuration.duplexMode)));
}

void ScanScreen::refreshProgress()
{
    const ScanStage stage = m_store->stage();
    m_progressStage->setState(rawValue(stage), stageTone(stage));
    m_captured->setText(QString::number(m_store->pages().size()) + QStringLiteral(" captured"));
    const ReadingProgress& progress = m_store->readingProgress();
    // Pages are read while the feeder runs: both counts show until it stops,
    // then the reading left and how long it will take.
    const bool scanning = stage == ScanStage::scanning;
    m_feederNote->setVisible(scanning);
    m_scanCounts->setVisible(scanning && progress.scanned > 0);
    m_scanCounts->setText(scanProgressText(progress));
    const bool reading = stage == ScanStage::extracting && progress.total > 0;
    m_reading->setVisible(reading);
    if (reading) {
        m_reading->setRange(0, progress.total);
        m_reading->setValue(std::clamp(progress.read, 0, progress.total));
        m_reading->setFormat(readingProgressText(progress));
    }
    m_cancel->setVisible(stage == ScanStage::scanning);
    m_start->setEnabled(m_store->canStartScan());
    m_import->setEnabled(m_store->canImport());
}

void ScanScreen::refreshScanSettings()
{
    const ScanPreferences* preferences = m_store->scanPreferences();
    const auto device = m_store->selectedScanner();
    const QSignalBlocker resolutionBlocker(m_resolution);
    const QSignalBlocker colourBlocker(m_colour);
    const QSignalBlocker sourceBlocker(m_source);
    const ScanSettings settings =
        preferences ? preferences->settingsFor(device ? device->id : QString(), false)
                    : ScanSettings();
    m_resolution->setCurrentIndex(m_resolution->findData(settings.resolution));
    m_colour->setCurrentIndex(m_colour->findData(static_cast<int>(settings.colour)));
    m_source->setCurrentIndex(m_source->findData(static_cast<int>(settings.source)));

    const bool takesSettings = preferences && device && device->takesScanSettings;
    const QString noSettings =
        takesSettings ? QString()
                      : QStringLiteral("The selected device takes no resolution or colour "
                                       "setting.");
    for (QComboBox* box : {m_resolution, m_colour}) {
        box->setEnabled(takesSettings);
        box->setToolTip(noSettings);
    }
    const bool choosesSource = takesSettings && device->hasDocumentFeeder && device->hasFlatbed;
    m_source->setEnabled(choosesSource);
    m_source->setToolTip(choosesSource ? QString()
                                       : QStringLiteral("The selected device does not have both "
                                                        "a feeder and a flatbed."));
}

void ScanScreen::refreshOutput()
{
    const auto& csv = m_store->csvURL();
    m_csvState->setText(csv ? QStringLiteral("CSV connected")
                            : QStringLiteral("CSV not connected"));
    m_csvFile->setText(csv ? displayFileName(*csv) : QStringLiteral("No CSV selected"));
    m_connectCSV->setText(csv ? QStringLiteral("Change CSV") : QStringLiteral("Connect CSV"));
    m_exportSnapshot->setEnabled(!m_store->responses().isEmpty());

    const bool failed = m_store->lastAIErrorCount() > 0;
    m_aiIcon->setPixmap(symbols::pixmap(
        failed ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("sparkles"), 16,
        theme::color(failed ? theme::Role::warning : theme::Role::accent), devicePixelRatioF()));
    m_aiStatus->setText(m_store->lastAIStatusMessage());
    const bool attempted = m_store->lastAIAttemptCount() >= 1;
    m_aiCounts->setVisible(attempted);
    m_aiCounts->setText(QStringLiteral("AI attempts: %1  Auto-filled: %2  Failed: %3")
                            .arg(m_store->lastAIAttemptCount())
                            .arg(m_store->lastAIAutoAppliedCount())
                            .arg(m_store->lastAIErrorCount()));
}

void ScanScreen::changeConfiguration(const std::function<void(SurveyConfiguration&)>& edit)
{
    SurveyConfiguration configuration = m_store->configuration();
    edit(configuration);
    m_store->setConfiguration(configuration);
}
