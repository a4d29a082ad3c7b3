#include "addressbook/ui/AddressListModel.h"

#include "mainwindow/IconStore.h"

#include <QSet>
#include <algorithm>

AddressListModel::AddressListModel(QObject* parent)
    : QAbstractTableModel(parent), icon_(IconStore::icon(QStringLiteral("address")))
{
}

int AddressListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int AddressListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant AddressListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const AddressListRow& r = rows_[size_t(index.row())];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return index.column() == NameColumn ? r.name : r.number;
    if (role == Qt::DecorationRole && index.column() == NameColumn)
        return icon_;
    return {};
}

QVariant AddressListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return QStringLiteral("Name");
    case NumberColumn: return QStringLiteral("Number");
    }
    return {};
}

bool AddressListModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > int(rows_.size()))
        return false;
    beginRemoveRows({}, row, row + count - 1);
    rows_.erase(rows_.begin() + row, rows_.begin() + row + count);
    endRemoveRows();
    return true;
}

void AddressListModel::sort(int column, Qt::SortOrder)
{
    if (column != NameColumn && column != NumberColumn)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<QString> keys;
    keys.reserve(before.size());
    for (const QModelIndex& i : before)
        keys.push_back(rows_[size_t(i.row())].number);
    std::stable_sort(rows_.begin(), rows_.end(), [column](const AddressListRow& a, const AddressListRow& b) {
        const QString& x = column == NameColumn ? a.name : a.number;
        const QString& y = column == NameColumn ? b.name : b.number;
        return x.compare(y, Qt::CaseInsensitive) < 0;
    });
    // Selection and current row follow their entries.
    QModelIndexList after;
    after.reserve(before.size());
    QHash<QString, int> rowOf;
    if (!before.isEmpty()) {
        rowOf.reserve(qsizetype(rows_.size()));
        for (int r = 0; r < int(rows_.size()); ++r)
            rowOf.insert(rows_[size_t(r)].number, r);
    }
    for (int k = 0; k < before.size(); ++k)
        after << index(rowOf.value(keys[size_t(k)]), before[k].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void AddressListModel::reset(std::vector<AddressListRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void AddressListModel::append(const AddressListRow& row)
{
    const int at = int(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(row);
    endInsertRows();
}

int AddressListModel::rowOfNumber(const QString& number) const
{
    for (int r = 0; r < int(rows_.size()); ++r)
        if (rows_[size_t(r)].number == number)
            return r;
    return -1;
}

bool AddressListModel::removeNumber(const QString& number)
{
    const int r = rowOfNumber(number);
    return r >= 0 && removeRows(r, 1);
}

int AddressListModel::removeNumbers(const QStringList& numbers)
{
    const QSet<QString> gone(numbers.begin(), numbers.end());
    int removed = 0;
    // From the last row to the first, a run of neighbouring rows at a time.
    int r = int(rows_.size()) - 1;
    while (r >= 0) {
        if (!gone.contains(rows_[size_t(r)].number)) {
            --r;
            continue;
        }
        int first = r;
        while (first > 0 && gone.contains(rows_[size_t(first - 1)].number))
            --first;
        removeRows(first, r - first + 1);
        removed += r - first + 1;
        r = first - 1;
    }
    return removed;
}

bool AddressListModel::updateRow(const QString& oldNumber, const AddressListRow& row)
{
    const int r = rowOfNumber(oldNumber);
    if (r < 0)
        return false;
    rows_[size_t(r)] = row;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
    return true;
}

QStringList AddressListModel::numbersInViewOrder(const QModelIndexList& selection) const
{
    std::vector<int> rows;
    for (const QModelIndex& i : selection)
        if (i.isValid() && i.row() < int(rows_.size()))
            rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList out;
    for (int r : rows)
        out << rows_[size_t(r)].number;
    return out;
}
