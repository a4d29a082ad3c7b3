#pragma once
// The rows of the SIM list: one per SIM location shown, name in the first
// column, number in the second, the location in Qt::UserRole of both.
// Once a column was clicked the list stays sorted by it (ascending, case
// blind), and rows added later take their place in that order.
#include <QAbstractTableModel>
#include <QList>
#include <QVariant>

#include "sim/SimText.h"

class SimListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, NumberColumn = 1 };
    // The private drag format of the program's lists.
    static constexpr const char* kMimeType = "application/x-velquarin-items";

    explicit SimListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QStringList mimeTypes() const override;
    // The dragged rows: a QDataStream of the source name "lsvSIM", the row
    // count, and per row its name and number.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    // What every row shows beside its name (the window sets the icon).
    void setDecoration(const QVariant& decoration) { decoration_ = decoration; }

    const QList<SimEntry>& entries() const { return rows_; }
    const SimEntry& entryAt(int row) const { return rows_.at(row); }
    // The row that shows the location, -1 when none does.
    int rowOfIndex(int index) const;

    void clear();
    // Adds a row (at its sorted place once the list is sorted); returns it.
    int add(const SimEntry& entry);
    // The row of the location gets the name and the number; false when no
    // row shows it.
    bool update(int index, const QString& name, const QString& number);
    bool removeIndex(int index);

    // The sort column, -1 while the list is unsorted.
    int sortColumn() const { return sortColumn_; }

private:
    bool lessThan(const SimEntry& a, const SimEntry& b) const;

    QList<SimEntry> rows_;
    QVariant decoration_;
    int sortColumn_ = -1;
};
