#pragma once
// The message list lsvMessage: a report list over MessageListModel that
// answers the keyboard (Delete, select all), the double click and the drag
// of its selected rows onto the folder tree.
#include <QString>
#include <QTreeView>

class MessageListModel;
class QMimeData;

class MessageListView : public QTreeView {
    Q_OBJECT
public:
    explicit MessageListView(QWidget* parent = nullptr);

    // The table the shown rows belong to (tbinqueue, tboutqueue or
    // tboutlog); a drag carries it with the codes.
    void setDragTable(const QString& table) { table_ = table; }
    QString dragTable() const { return table_; }

    // What a drag of the selected rows carries: the list, its table and the
    // codes of the selected rows in list order; nullptr when nothing is
    // selected.
    QMimeData* selectionPayload() const;

signals:
    // The Delete key.
    void deleteRequested();
    // A double click anywhere in the list while a row is current.
    void openRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    MessageListModel* messageModel() const;

    QString table_;
};
