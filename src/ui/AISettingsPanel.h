#pragma once

#include <QWidget>

class AISettingsStore;
class Badge;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

// The AI panel of the settings window. Every control writes straight into
// the AI settings store and follows its changes; the panel keeps only the
// key being typed.
class AISettingsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit AISettingsPanel(AISettingsStore* settings, QWidget* parent = nullptr);

    // The slider works in steps of 0.005 from 0.90 to 0.995.
    static int confidenceToSliderPosition(double confidence);
    static double sliderPositionToConfidence(int position);
    // "92% confidence or higher" for 0.92.
    static QString confidenceText(double confidence);

private:
    void buildHeader();
    QWidget* buildModeSection();
    QWidget* buildKeySection();
    QWidget* buildReviewSection();
    void refresh();
    void refreshConnection();

    AISettingsStore* m_settings;
    QComboBox* m_mode = nullptr;
    QLabel* m_modeDescription = nullptr;
    QLineEdit* m_keyField = nullptr;
    QPushButton* m_saveKey = nullptr;
    QPushButton* m_removeKey = nullptr;
    QPushButton* m_test = nullptr;
    Badge* m_connectedBadge = nullptr;
    QLabel* m_keyPreview = nullptr;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_errorRow = nullptr;
    QLabel* m_error = nullptr;
    QLineEdit* m_model = nullptr;
    QSlider* m_confidence = nullptr;
    QLabel* m_confidenceValue = nullptr;
    QSpinBox* m_batchLimit = nullptr;
    QCheckBox* m_sendImages = nullptr;
};
