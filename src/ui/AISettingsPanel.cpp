#include "AISettingsPanel.h"

#include "Badge.h"
#include "Card.h"
#include "Symbols.h"
#include "Theme.h"
#include "ai/AISettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int confidenceSteps = 19; // 0.900, 0.905, ... 0.995
constexpr int batchLimitMinimum = 1;
constexpr int batchLimitMaximum = 500;
constexpr int batchLimitStep = 10;
} // namespace

AISettingsPanel::AISettingsPanel(AISettingsStore* settings, QWidget* parent)
    : QWidget(parent), m_settings(settings)
{
    auto* layout = theme::screenColumn(this);
    buildHeader();
    layout->addWidget(buildModeSection());
    layout->addWidget(buildKeySection());
    layout->addWidget(buildReviewSection());
    auto* privacy = theme::label(QStringLiteral("Only cropped review images are sent in hybrid "
                                                "mode. Local-only mode never sends scan images."),
                                 QStringLiteral("caption"), this);
    layout->addWidget(privacy);
    layout->addStretch();

    for (auto signal : {&AISettingsStore::detectionModeChanged, &AISettingsStore::modelChanged,
                        &AISettingsStore::autoApplyConfidenceChanged,
                        &AISettingsStore::maxAIReviewsPerBatchChanged,
                        &AISettingsStore::sendsImagesToOpenAIChanged})
        connect(m_settings, signal, this, &AISettingsPanel::refresh);
    for (auto signal :
         {&AISettingsStore::hasAPIKeyChanged, &AISettingsStore::lastErrorMessageChanged,
          &AISettingsStore::isTestingConnectionChanged,
          &AISettingsStore::connectionStatusMessageChanged, &AISettingsStore::apiKeyPreviewChanged})
        connect(m_settings, signal, this, &AISettingsPanel::refreshConnection);
    refresh();
    refreshConnection();
}

int AISettingsPanel::confidenceToSliderPosition(double confidence)
{
    const int position = static_cast<int>(std::lround((confidence - 0.90) / 0.005));
    return std::clamp(position, 0, confidenceSteps);
}

double AISettingsPanel::sliderPositionToConfidence(int position)
{
    // Built from whole thousandths so the stored double is the nearest to the
    // decimal value the operator sees.
    return (900 + 5 * std::clamp(position, 0, confidenceSteps)) / 1000.0;
}

QString AISettingsPanel::confidenceText(double confidence)
{
    // A tiny allowance keeps 0.94 (stored as 0.93999...) from showing 93.
    const auto thousandths = static_cast<qint64>(std::floor(confidence * 1000.0 + 1e-6));
    return QString::number(thousandths / 10) + QStringLiteral("% confidence or higher");
}

void AISettingsPanel::buildHeader()
{
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* icon = new QLabel(this);
    icon->setPixmap(symbols::pixmap(QStringLiteral("sparkles"), 32,
                                    theme::color(theme::Role::accent), devicePixelRatioF()));
    header->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(theme::label(QStringLiteral("AI Accuracy Boost"), QStringLiteral("title")));
    texts->addWidget(theme::label(QStringLiteral("Use OpenAI vision on uncertain scan results "
                                                 "while keeping the local scanner pipeline "
                                                 "available."),
                                  QStringLiteral("subtitle")));
    header->addLayout(texts, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(header);
}

QWidget* AISettingsPanel::buildModeSection()
{
    auto* card = new Card(QStringLiteral("Detection Mode"), QStringLiteral("checklist.checked"));
    m_mode = new QComboBox(card);
    m_mode->setObjectName(QStringLiteral("detectionMode"));
    for (AIDetectionMode mode : allAIDetectionModes())
        m_mode->addItem(rawValue(mode), static_cast<int>(mode));
    m_modeDescription = theme::label(QString(), QStringLiteral("caption"), card);
    card->body()->addWidget(m_mode);
    card->body()->addWidget(m_modeDescription);
    connect(m_mode, &QComboBox::activated, this, [this](int index) {
        m_settings->setDetectionMode(static_cast<AIDetectionMode>(m_mode->itemData(index).toInt()));
    });
    return card;
}

QWidget* AISettingsPanel::buildKeySection()
{
    auto* card = new Card(QStringLiteral("OpenAI API Key"), QStringLiteral("link"));
    auto* keyRow = new QHBoxLayout;
    m_keyField = new QLineEdit(card);
    m_keyField->setObjectName(QStringLiteral("apiKeyField"));
    m_keyField->setEchoMode(QLineEdit::Password);
    m_keyField->setPlaceholderText(QStringLiteral("sk-..."));
    m_connectedBadge = new Badge(card);
    keyRow->addWidget(m_keyField, 1);
    keyRow->addWidget(m_connectedBadge);
    card->body()->addLayout(keyRow);

    auto* buttons = new QHBoxLayout;
    m_saveKey = new QPushButton(QStringLiteral("Save Key"), card);
    m_removeKey = new QPushButton(QStringLiteral("Remove"), card);
    m_test = new QPushButton(QStringLiteral("Test"), card);
    m_keyPreview = theme::label(QString(), QStringLiteral("caption"), card);
    buttons->addWidget(m_saveKey);
    buttons->addWidget(m_removeKey);
    buttons->addWidget(m_test);
    buttons->addSpacing(8);
    buttons->addWidget(m_keyPreview, 1);
    card->body()->addLayout(buttons);

    auto* statusRow = new QHBoxLayout;
    m_statusIcon = new QLabel(card);
    m_status = theme::label(QString(), QStringLiteral("caption"), card);
    statusRow->addWidget(m_statusIcon);
    statusRow->addWidget(m_status, 1);
    card->body()->addLayout(statusRow);

    m_errorRow = new QWidget(card);
    auto* errorLayout = new QHBoxLayout(m_errorRow);
    errorLayout->setContentsMargins(0, 0, 0, 0);
    auto* warning = new QLabel(m_errorRow);
    warning->setPixmap(symbols::pixmap(QStringLiteral("exclamationmark.triangle"), 16,
                                       theme::color(theme::Role::danger), devicePixelRatioF()));
    m_error = theme::label(QString(), QStringLiteral("error"), m_errorRow);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    errorLayout->addWidget(warning, 0, Qt::AlignTop);
    errorLayout->addWidget(m_error, 1);
    card->body()->addWidget(m_errorRow);

    card->body()->addWidget(
        theme::label(QString::fromUtf8(kAIKeyStorageFootnote), QStringLiteral("caption"), card));

    connect(m_keyField, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_saveKey->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_saveKey, &QPushButton::clicked, this, [this] {
        m_settings->saveAPIKey(m_keyField->text());
        m_keyField->clear();
    });
    connect(m_keyField, &QLineEdit::returnPressed, m_saveKey, &QPushButton::click);
    connect(m_removeKey, &QPushButton::clicked, this, [this] { m_settings->removeAPIKey(); });
    connect(m_test, &QPushButton::clicked, this, [this] {
        // The test runs on; its outcome arrives through the store's signals.
        [](AISettingsStore* settings) -> QCoro::Task<> {
            co_await settings->testConnection();
        }(m_settings);
    });
    m_saveKey->setEnabled(false);
    return card;
}

QWidget* AISettingsPanel::buildReviewSection()
{
    auto* card = new Card(QStringLiteral("Review Behavior"), QStringLiteral("text.viewfinder"));
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->setHorizontalSpacing(16);
    m_model = new QLineEdit(card);
    m_model->setObjectName(QStringLiteral("modelField"));
    m_model->setPlaceholderText(QStringLiteral("gpt-5.5"));
    form->addRow(QStringLiteral("Model"), m_model);

    auto* confidenceRow = new QVBoxLayout;
    confidenceRow->setSpacing(2);
    m_confidence = new QSlider(Qt::Horizontal, card);
    m_confidence->setObjectName(QStringLiteral("autoApplySlider"));
    m_confidence->setRange(0, confidenceSteps);
    m_confidence->setSingleStep(1);
    m_confidence->setPageStep(2);
    m_confidenceValue = theme::label(QString(), QStringLiteral("caption"), card);
    confidenceRow->addWidget(m_confidence);
    confidenceRow->addWidget(m_confidenceValue);
    form->addRow(QStringLiteral("Auto-apply"), confidenceRow);

    m_batchLimit = new QSpinBox(card);
    m_batchLimit->setObjectName(QStringLiteral("batchLimit"));
    m_batchLimit->setRange(batchLimitMinimum, batchLimitMaximum);
    m_batchLimit->setSingleStep(batchLimitStep);
    m_batchLimit->setSuffix(QStringLiteral(" AI review images"));
    form->addRow(QStringLiteral("Batch limit"), m_batchLimit);
    card->body()->addLayout(form);

    m_sendImages =
        new QCheckBox(QStringLiteral("Allow sending uncertain answer images to OpenAI"), card);
    card->body()->addWidget(m_sendImages);

    connect(m_model, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings->setModel(text); });
    connect(m_confidence, &QSlider::valueChanged, this, [this](int position) {
        // Only a move by the operator writes; loading a value between two
        // steps must not round the stored preference.
        if (m_confidence->signalsBlocked())
            return;
        m_settings->setAutoApplyConfidence(sliderPositionToConfidence(position));
    });
    connect(m_batchLimit, &QSpinBox::valueChanged, this,
            [this](int value) { m_settings->setMaxAIReviewsPerBatch(value); });
    connect(m_sendImages, &QCheckBox::toggled, this,
            [this](bool on) { m_settings->setSendsImagesToOpenAI(on); });
    return card;
}

void AISettingsPanel::refresh()
{
    const QSignalBlocker modeBlocker(m_mode);
    const int modeIndex = m_mode->findData(static_cast<int>(m_settings->detectionMode()));
    m_mode->setCurrentIndex(modeIndex);
    m_modeDescription->setText(modeDescription(m_settings->detectionMode()));

    if (m_model->text() != m_settings->model()) {
        const QSignalBlocker blocker(m_model);
        m_model->setText(m_settings->model());
    }
    {
        const QSignalBlocker blocker(m_confidence);
        m_confidence->setValue(confidenceToSliderPosition(m_settings->autoApplyConfidence()));
    }
    m_confidenceValue->setText(confidenceText(m_settings->autoApplyConfidence()));
    {
        const QSignalBlocker blocker(m_batchLimit);
        m_batchLimit->setValue(static_cast<int>(std::clamp<qint64>(
            m_settings->maxAIReviewsPerBatch(), batchLimitMinimum, batchLimitMaximum)));
    }
    {
        const QSignalBlocker blocker(m_sendImages);
        m_sendImages->setChecked(m_settings->sendsImagesToOpenAI());
    }
}

void AISettingsPanel::refreshConnection()
{
    const bool hasKey = m_settings->hasAPIKey();
    m_connectedBadge->setState(hasKey ? QStringLiteral("Connected")
                                      : QStringLiteral("Not connected"),
                               hasKey ? Badge::Tone::success : Badge::Tone::neutral);
    m_removeKey->setEnabled(hasKey);
    m_keyPreview->setText(m_settings->apiKeyPreview());
    const bool testing = m_settings->isTestingConnection();
    m_test->setText(testing ? QStringLiteral("Testing") : QStringLiteral("Test"));
    m_test->setEnabled(!testing);

    const QString status = m_settings->connectionStatusMessage();
    const bool passed = status.contains(QStringLiteral("passed"));
    m_statusIcon->setPixmap(symbols::pixmap(
        passed ? QStringLiteral("checkmark.circle") : QStringLiteral("info.circle"), 16,
        theme::color(passed ? theme::Role::success : theme::Role::secondaryText),
        devicePixelRatioF()));
    m_status->setText(status);

    const auto error = m_settings->lastErrorMessage();
    m_errorRow->setVisible(error.has_value());
    m_error->setText(error.value_or(QString()));
}
