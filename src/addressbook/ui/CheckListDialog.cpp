#include "addressbook/ui/CheckListDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int TagRole = Qt::UserRole + 1;
} // namespace

CheckListDialog::CheckListDialog(const Options& options, QWidget* parent) : QDialog(parent)
{
    setObjectName(options.objectName);
    setWindowTitle(options.caption);

    lsvList = new QTreeWidget(this);
    lsvList->setObjectName(QStringLiteral("lsvList"));
    lsvList->setAccessibleName(options.listName);
    lsvList->setColumnCount(int(options.headings.size()));
    lsvList->setHeaderLabels(options.headings);
    lsvList->setRootIsDecorated(false);
    lsvList->setUniformRowHeights(true);
    lsvList->setAllColumnsShowFocus(true);
    lsvList->setSelectionMode(QAbstractItemView::SingleSelection);
    lsvList->header()->setStretchLastSection(true);
    if (options.headings.size() > 1)
        lsvList->header()->resizeSection(0, 220);
    // A click on the box, or Space on the current row, ticks it; Enter is
    // the accept button's.

    cmdAccept = new QPushButton(options.acceptCaption, this);
    cmdAccept->setObjectName(options.acceptName);
    cmdAccept->setDefault(true);
    cmdAccept->setAutoDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdAccept, &QPushButton::clicked, this, &CheckListDialog::acceptClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAccept);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lsvList, 1);
    layout->addLayout(buttons);
    setTabOrder(lsvList, cmdAccept);
    setTabOrder(cmdAccept, cmdCancel);
    resize(options.headings.size() > 1 ? 420 : 300, 340);
}

void CheckListDialog::addRow(const QStringList& columns, const QString& tag, bool ticked)
{
    auto* item = new QTreeWidgetItem(columns);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    item->setData(0, TagRole, tag);
    lsvList->addTopLevelItem(item);
    if (!lsvList->currentItem())
        lsvList->setCurrentItem(item);
}

int CheckListDialog::rowCount() const { return lsvList->topLevelItemCount(); }

QTreeWidgetItem* CheckListDialog::row(int i) const { return lsvList->topLevelItem(i); }

QString CheckListDialog::tagOf(int i) const { return row(i)->data(0, TagRole).toString(); }

bool CheckListDialog::isTicked(int i) const { return row(i)->checkState(0) == Qt::Checked; }

void CheckListDialog::setTicked(int i, bool ticked) { row(i)->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked); }

QStringList CheckListDialog::tickedTags() const
{
    QStringList out;
    for (int i = 0; i < rowCount(); ++i)
        if (isTicked(i))
            out << tagOf(i);
    return out;
}

void CheckListDialog::acceptClicked()
{
    if (!onAccept || onAccept(tickedTags()))
        accept();
}
