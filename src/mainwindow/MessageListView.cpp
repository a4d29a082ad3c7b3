#include "mainwindow/MessageListView.h"

#include "mainwindow/DragPayload.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MessageListModel.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMouseEvent>

MessageListView::MessageListView(QWidget* parent) : QTreeView(parent)
{
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
}

MessageListModel* MessageListView::messageModel() const { return qobject_cast<MessageListModel*>(model()); }

QMimeData* MessageListView::selectionPayload() const
{
    MessageListModel* m = messageModel();
    if (!m || !selectionModel())
        return nullptr;
    const QList<qint64> codes = m->codesInViewOrder(selectionModel()->selectedIndexes());
    if (codes.isEmpty())
        return nullptr;
    DragItems items;
    items.source = QStringLiteral("lsvMessage");
    items.table = table_;
    for (const qint64 code : codes)
        items.keys << QString::number(code);
    return dragpayload::encode(items);
}

void MessageListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deleteRequested();
        event->accept();
        return;
    }
    // Enter opens the current row, as the double click does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        const QModelIndex current = currentIndex();
        if (current.isValid() && model() && current.row() < model()->rowCount())
            emit openRequested();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void MessageListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The double click opens the current row, wherever it lands; with no
    // current row there is nothing to open.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && model() && current.row() < model()->rowCount())
        emit openRequested();
}

void MessageListView::startDrag(Qt::DropActions supportedActions)
{
    QMimeData* data = selectionPayload();
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(IconStore::statusIcon(QStringLiteral("imgDrag")).pixmap(32, 32));
    drag->exec(supportedActions & (Qt::MoveAction | Qt::CopyAction), Qt::MoveAction);
}
