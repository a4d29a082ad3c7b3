#include "sim/SimListModel.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <algorithm>

SimListModel::SimListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SimListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int SimListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant SimListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const SimEntry& e = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return index.column() == NameColumn ? e.name : e.number;
    case Qt::DecorationRole: return index.column() == NameColumn ? decoration_ : QVariant();
    case Qt::UserRole: return e.index;
    default: return {};
    }
}

QVariant SimListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == NameColumn)
        return QStringLiteral("Name");
    if (section == NumberColumn)
        return QStringLiteral("Number");
    return {};
}

Qt::ItemFlags SimListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

bool SimListModel::lessThan(const SimEntry& a, const SimEntry& b) const
{
    const QString& x = sortColumn_ == NumberColumn ? a.number : a.name;
    const QString& y = sortColumn_ == NumberColumn ? b.number : b.name;
    return x.compare(y, Qt::CaseInsensitive) < 0;
}

void SimListModel::sort(int column, Qt::SortOrder)
{
    // A click sorts by the column in ascending order; clicking the same
    // column again sorts again the same way.
    if (column != NameColumn && column != NumberColumn)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> locations;
    for (const QModelIndex& i : before)
        locations.append(rows_.at(i.row()).index);
    sortColumn_ = column;
    std::stable_sort(rows_.begin(), rows_.end(),
                     [this](const SimEntry& a, const SimEntry& b) { return lessThan(a, b); });
    QModelIndexList after;
    for (int k = 0; k < before.size(); ++k)
        after.append(index(rowOfIndex(locations.at(k)), before.at(k).column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList SimListModel::mimeTypes() const { return {QString::fromLatin1(kMimeType)}; }

QMimeData* SimListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        if (i.isValid() && !rows.contains(i.row()))
            rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << QStringLiteral("lsvSIM") << qint32(rows.size());
    for (int r : rows)
        out << rows_.at(r).name << rows_.at(r).number;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kMimeType), bytes);
    return mime;
}

int SimListModel::rowOfIndex(int index) const
{
    for (int r = 0; r < rows_.size(); ++r)
        if (rows_.at(r).index == index)
            return r;
    return -1;
}

void SimListModel::clear()
{
    if (rows_.isEmpty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

int SimListModel::add(const SimEntry& entry)
{
    int row = int(rows_.size());
    if (sortColumn_ >= 0)
        row = int(std::upper_bound(rows_.begin(), rows_.end(), entry,
                                   [this](const SimEntry& a, const SimEntry& b) { return lessThan(a, b); }) -
                  rows_.begin());
    beginInsertRows({}, row, row);
    rows_.insert(row, entry);
    endInsertRows();
    return row;
}

bool SimListModel::update(int index, const QString& name, const QString& number)
{
    const int row = rowOfIndex(index);
    if (row < 0)
        return false;
    SimEntry e = rows_.at(row);
    e.name = name;
    e.number = number;
    if (sortColumn_ >= 0) {
        // The changed text may belong elsewhere in the order.
        removeIndex(index);
        add(e);
        return true;
    }
    rows_[row] = e;
    emit dataChanged(this->index(row, 0), this->index(row, 1));
    return true;
}

bool SimListModel::removeIndex(int index)
{
    const int row = rowOfIndex(index);
    if (row < 0)
        return false;
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
    return true;
}
