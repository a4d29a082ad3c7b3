#include "mainwindow/MessageListModel.h"

#include "mainwindow/IconStore.h"

#include <QFont>
#include <algorithm>

namespace {

// Rows compare by the stored wall-clock time, as the database orders them.
qint64 timeKey(const QDateTime& t)
{
    if (!t.isValid())
        return std::numeric_limits<qint64>::min();
    return t.date().toJulianDay() * 86400000LL + t.time().msecsSinceStartOfDay();
}

} // namespace

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

int MessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const MessageRow& r = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case DateColumn: return r.when.isValid() ? r.when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
        case NameColumn: return r.name;
        case NumberColumn: return r.number;
        case TypeColumn: return QString::number(r.type);
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == DateColumn)
            return IconStore::icon(r.iconKey);
        break;
    case Qt::FontRole:
        if (r.bold) {
            QFont f;
            f.setBold(true);
            return f;
        }
        break;
    case CodeRole: return r.code;
    case WhenRole: return r.when;
    default: break;
    }
    return {};
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case DateColumn: return dateHeading_;
    case NameColumn: return nameHeading_;
    case NumberColumn: return QStringLiteral("Number");
    case TypeColumn: return QStringLiteral("Type");
    }
    return {};
}

void MessageListModel::setHeadings(const QString& date, const QString& name)
{
    if (date == dateHeading_ && name == nameHeading_)
        return;
    dateHeading_ = date;
    nameHeading_ = name;
    emit headerDataChanged(Qt::Horizontal, DateColumn, NameColumn);
}

void MessageListModel::reset(std::vector<MessageRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    reindex();
    endResetModel();
}

void MessageListModel::clear() { reset({}); }

void MessageListModel::append(const MessageRow& row)
{
    if (contains(row.code))
        removeByCode(row.code);
    const int at = int(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(row);
    index_.insert(row.code, at);
    endInsertRows();
}

bool MessageListModel::removeByCode(qint64 code)
{
    const int at = rowOfCode(code);
    if (at < 0)
        return false;
    removing_ = true;
    beginRemoveRows({}, at, at);
    rows_.erase(rows_.begin() + at);
    index_.remove(code);
    for (auto it = index_.begin(); it != index_.end(); ++it)
        if (it.value() > at)
            --it.value();
    endRemoveRows();
    removing_ = false;
    return true;
}

int MessageListModel::rowOfCode(qint64 code) const { return index_.value(code, -1); }

bool MessageListModel::markRead(qint64 code)
{
    const int at = rowOfCode(code);
    if (at < 0)
        return false;
    MessageRow& r = rows_[size_t(at)];
    r.iconKey = QStringLiteral("mailold");
    r.bold = false;
    emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
    return true;
}

bool MessageListModel::setIcon(qint64 code, const QString& iconKey)
{
    const int at = rowOfCode(code);
    if (at < 0)
        return false;
    rows_[size_t(at)].iconKey = iconKey;
    emit dataChanged(index(at, DateColumn), index(at, DateColumn), {Qt::DecorationRole});
    return true;
}

int MessageListModel::setNameForNumber(const QString& number, const QString& name)
{
    int changed = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].number != number)
            continue;
        rows_[i].name = name;
        ++changed;
        const QModelIndex at = index(int(i), NameColumn);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }
    return changed;
}

QList<qint64> MessageListModel::codesInViewOrder(const QModelIndexList& selection) const
{
    std::vector<int> rows;
    for (const QModelIndex& i : selection)
        if (i.isValid() && i.row() < int(rows_.size()))
            rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<qint64> out;
    out.reserve(qsizetype(rows.size()));
    for (int r : rows)
        out.append(rows_[size_t(r)].code);
    return out;
}

QList<qint64> MessageListModel::codes() const
{
    QList<qint64> out;
    out.reserve(qsizetype(rows_.size()));
    for (const MessageRow& r : rows_)
        out.append(r.code);
    return out;
}

void MessageListModel::sortByDate(bool descending) { sort(DateColumn, descending ? Qt::DescendingOrder : Qt::AscendingOrder); }

void MessageListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || rows_.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<qint64> beforeCodes;
    beforeCodes.reserve(size_t(before.size()));
    for (const QModelIndex& i : before)
        beforeCodes.push_back(rows_[size_t(i.row())].code);

    const bool desc = order == Qt::DescendingOrder;
    if (column == DateColumn) {
        // Keys computed once: the comparison runs on plain integers.
        std::vector<std::pair<qint64, size_t>> keys(rows_.size());
        for (size_t i = 0; i < rows_.size(); ++i)
            keys[i] = {timeKey(rows_[i].when), i};
        std::stable_sort(keys.begin(), keys.end(), [desc](const auto& a, const auto& b) {
            return desc ? a.first > b.first : a.first < b.first;
        });
        std::vector<MessageRow> sorted;
        sorted.reserve(rows_.size());
        for (const auto& k : keys)
            sorted.push_back(std::move(rows_[k.second]));
        rows_ = std::move(sorted);
    } else {
        auto text = [column](const MessageRow& r) -> QString {
            switch (column) {
            case NameColumn: return r.name;
            case NumberColumn: return r.number;
            default: return QString::number(r.type);
            }
        };
        std::stable_sort(rows_.begin(), rows_.end(), [&](const MessageRow& a, const MessageRow& b) {
            const int c = QString::compare(text(a), text(b), Qt::CaseInsensitive);
            return desc ? c > 0 : c < 0;
        });
    }
    reindex();

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(rowOfCode(beforeCodes[size_t(i)]), before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MessageListModel::reindex()
{
    index_.clear();
    index_.reserve(qsizetype(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i)
        index_.insert(rows_[i].code, int(i));
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsDragEnabled;
    return f;
}
