#pragma once
// The address list of the main window: one row per entry, name and number.
// Rows are reached by number (the entry's key), never by position.
#include <QAbstractTableModel>
#include <QIcon>
#include <QHash>
#include <QModelIndexList>
#include <vector>

#include "addressbook/AddressBook.h"

class AddressListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, NumberColumn, ColumnCount };

    explicit AddressListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    // Always ascending, whatever order is asked: a second click on a heading
    // sorts again the same way. Names compare without regard to letter case.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    void reset(std::vector<AddressListRow> rows);
    void append(const AddressListRow& row);
    const AddressListRow& rowAt(int row) const { return rows_[size_t(row)]; }
    int rowOfNumber(const QString& number) const;
    bool removeNumber(const QString& number);
    // Removes the rows of these numbers; returns how many went.
    int removeNumbers(const QStringList& numbers);
    // Writes name and number into the row that has oldNumber.
    bool updateRow(const QString& oldNumber, const AddressListRow& row);
    // The numbers of the given rows (any column), in list order.
    QStringList numbersInViewOrder(const QModelIndexList& selection) const;

private:
    std::vector<AddressListRow> rows_;
    QIcon icon_;
};
