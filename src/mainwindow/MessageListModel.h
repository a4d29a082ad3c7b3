#pragma once
// The message list: one row per message, keyed by its message code, in four
// columns (date, name, number, type). Every part that changes a shown list
// reaches its rows by code, never by position.
#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QModelIndexList>
#include <QString>
#include <vector>

#include "folders/MessageFolders.h"

class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, NameColumn, NumberColumn, TypeColumn, ColumnCount };
    // The message code of a row, on every column.
    static constexpr int CodeRole = Qt::UserRole + 1;
    // The stored time of a row (QDateTime), on every column.
    static constexpr int WhenRole = Qt::UserRole + 2;

    explicit MessageListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Rows can be dragged onto the folder tree.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Headings of the date and name columns ("Received"/"From" and so on).
    void setHeadings(const QString& date, const QString& name);

    void reset(std::vector<MessageRow> rows);
    void clear();
    void append(const MessageRow& row);
    bool removeByCode(qint64 code);
    // True while a row is being taken out: the view then moves its current
    // row by itself, which is not the operator choosing a message.
    bool removing() const { return removing_; }
    int rowOfCode(qint64 code) const;
    bool contains(qint64 code) const { return rowOfCode(code) >= 0; }
    const MessageRow& rowAt(int row) const { return rows_[size_t(row)]; }
    const std::vector<MessageRow>& rows() const { return rows_; }
    // Read: the "mailold" icon and plain text. False when the code is not shown.
    bool markRead(qint64 code);
    bool setIcon(qint64 code, const QString& iconKey);
    // Gives every row of that number a new name (an address added or edited).
    int setNameForNumber(const QString& number, const QString& name);
    // The codes of the given rows (any column) in list order.
    QList<qint64> codesInViewOrder(const QModelIndexList& selection) const;
    QList<qint64> codes() const;

    // The date sort on the stored time: newest first when descending.
    void sortByDate(bool descending);

private:
    void reindex();

    std::vector<MessageRow> rows_;
    QHash<qint64, int> index_;
    bool removing_ = false;
    QString dateHeading_ = QStringLiteral("Received");
    QString nameHeading_ = QStringLiteral("From");
};
