#pragma once

#include <QAbstractTableModel>

class SurveyScanStore;

// The answers table: one row per survey (number, capture time, one column
// per question), read straight from the store.
class AnswersTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit AnswersTableModel(SurveyScanStore* store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The survey number of a row, or -1.
    qint64 surveyNumber(int row) const;
    int rowOf(qint64 surveyNumber) const;
    // Questions shown: the highest template number or the longest answer list.
    qint64 questionCount() const;

    static constexpr int fixedColumns = 2;

private:
    void reload();

    SurveyScanStore* m_store;
    qint64 m_questionCount = 0;
};
