#include "sim/ui/SimWiring.h"

#include "base/Database.h"
#include "base/UserPrompt.h"
#include "controls/FormHelpers.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MainWindow.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "sim/SimAddressBook.h"
#include "sim/SimListModel.h"
#include "sim/ui/SimForms.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QShortcut>
#include <QTreeView>
#include <algorithm>

namespace {

// The selected rows of a list, in list order.
QList<int> selectedRows(const QAbstractItemView* view)
{
    QList<int> rows;
    if (!view || !view->selectionModel())
        return rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

SimPhonebookUi::SimPhonebookUi(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler,
                               AtChannel& channel, std::function<void()> cancelWait)
    : QObject(&window), window_(window), app_(app), scheduler_(scheduler)
{
    setObjectName(QStringLiteral("simPhonebook"));
    model_ = new SimListModel(this);
    model_->setDecoration(IconStore::icon(QStringLiteral("address")));
    phonebook_ = std::make_unique<SimPhonebook>(app_.state(), channel, *model_);
    phonebook_->setCancelWait(std::move(cancelWait));

    // The list.
    QTreeView* list = window_.simList();
    QAbstractItemModel* placeholder = list->model();
    list->setModel(model_);
    if (placeholder && placeholder->parent() == list)
        placeholder->deleteLater();
    list->setDragEnabled(true);
    list->setDragDropMode(QAbstractItemView::DragOnly);
    list->header()->setSectionsClickable(true);
    connect(list->header(), &QHeaderView::sectionClicked, this, [this](int column) { model_->sort(column); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] { editSimEntry(); });
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] { deleteSimEntries(); });
    // The heading counts the rows the list shows.
    auto heading = [this] { window_.refreshHeading(); };
    connect(model_, &QAbstractItemModel::rowsInserted, this, heading);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, heading);
    connect(model_, &QAbstractItemModel::modelReset, this, heading);

    // The toolbars.
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMAdd"), [this] { addSimEntry(); });
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMDelete"), [this] { deleteSimEntries(); });
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMEdit"), [this] { editSimEntry(); });
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMRefresh"), [this] { refreshSim(); });
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMClear"), [this] { clearSim(); });
    window_.setToolbarAction(ToolbarId::SIM, QStringLiteral("SIMImport"), [this] { importSimEntries(); });
    window_.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressSIMExport"),
                             [this] { exportAddressesToSim(); });
    window_.setToolbarAction(ToolbarId::Group, QStringLiteral("GroupSIMExport"), [this] { exportAddressesToSim(); });

    chosenAddresses = [this] {
        QList<SimEntry> out;
        const QTreeView* view = window_.addressList();
        const QAbstractItemModel* m = view ? view->model() : nullptr;
        if (!m)
            return out;
        for (int row : selectedRows(view))
            out.append({0, m->index(row, 0).data().toString(), m->index(row, 1).data().toString()});
        return out;
    };

    // The cycle.
    QPointer<SimPhonebookUi> self(this);
    ActivityScheduler::Steps& steps = scheduler_.steps();
    steps.simRead = [self] {
        if (self)
            self->readStep();
    };
    steps.simClear = [self] {
        if (self)
            self->clearStep();
    };
    steps.nextFreeSimIndex = [self] { return self ? self->nextFreeSimIndex() : 0; };
    steps.selectedSimIndices = [self] { return self ? self->selectedSimIndices() : QList<int>(); };
    steps.simExport = [self] {
        if (self)
            self->exportToSim();
    };
    // Every SIM set-up may have brought another SIM: what the map knows is
    // no longer certain.
    steps.detectSim = [self, previous = steps.detectSim] {
        if (self)
            self->phonebook_->invalidate();
        if (previous)
            previous();
    };
    connect(&scheduler_, &ActivityScheduler::simEntryUpdated, this,
            [this](int index, const QString& name, const QString& number) {
                phonebook_->noteWritten({index, name, number});
            });
    connect(&scheduler_, &ActivityScheduler::simEntryAdded, this,
            [this](int index, const QString& name, const QString& number) {
                phonebook_->noteWritten({index, name, number});
            });
    connect(&scheduler_, &ActivityScheduler::simEntryRemoved, this,
            [this](int index) { phonebook_->noteErased(index); });
    connect(&scheduler_, &ActivityScheduler::simListChanged, this, heading);
}

SimPhonebookUi::~SimPhonebookUi() = default;

// ------------------------------------------------------------ the commands

void SimPhonebookUi::refreshSim() { app_.state().bSIMReadRequest = true; }

void SimPhonebookUi::clearSim() { app_.state().bSIMClearRequest = true; }

void SimPhonebookUi::deleteSimEntries() { app_.state().bSIMDeleteRequest = true; }

QList<SimEntry> SimPhonebookUi::selectedSimEntries() const
{
    QList<SimEntry> out;
    for (int row : selectedRows(window_.simList()))
        out.append(model_->entryAt(row));
    return out;
}

QList<int> SimPhonebookUi::selectedSimIndices() const
{
    QList<int> out;
    for (const SimEntry& e : selectedSimEntries())
        out.append(e.index);
    return out;
}

void SimPhonebookUi::editSimEntry()
{
    if (model_->rowCount() == 0)
        return;
    const QTreeView* list = window_.simList();
    int row = -1;
    const QModelIndex current = list->currentIndex();
    if (current.isValid() && list->selectionModel()->isRowSelected(current.row(), {}))
        row = current.row();
    else if (const QList<int> rows = selectedRows(list); !rows.isEmpty())
        row = rows.first();
    if (row < 0)
        return;
    openSingleDialog<SimEntryDialog>(&window_, SimEntryDialog::Mode::Edit, app_.state(), app_.prompt(),
                                     model_->entryAt(row));
}

void SimPhonebookUi::addSimEntry()
{
    openSingleDialog<SimEntryDialog>(&window_, SimEntryDialog::Mode::Add, app_.state(), app_.prompt(), SimEntry{});
}

void SimPhonebookUi::importSimEntries()
{
    const QList<SimEntry> entries = selectedSimEntries();
    if (entries.isEmpty()) {
        app_.prompt().warning(QStringLiteral("Please select items to import"));
        return;
    }
    UnloadFormByName(QStringLiteral("frmSIMImport"));
    SimImportDialog dialog(app_.db(), app_.prompt(), entries, &window_);
    dialog.exec();
}

void SimPhonebookUi::exportAddressesToSim()
{
    if (selectedRows(window_.addressList()).isEmpty()) {
        app_.prompt().warning(QStringLiteral("Please select items to export"));
        return;
    }
    app_.state().bSIMExportRequest = true;
}

// -------------------------------------------------------------- the cycle

SimPhonebook::Outcome SimPhonebookUi::runRead()
{
    model_->clear();
    window_.refreshHeading();
    const SimPhonebook::Outcome o = runSimReadForm(*phonebook_, &window_);
    window_.refreshHeading();
    if (o.kind == SimPhonebook::Outcome::Kind::Failed) {
        window_.statusLabel()->setText(o.message);
        app_.prompt().warning(o.message);
    }
    return o;
}

void SimPhonebookUi::readStep() { runRead(); }

void SimPhonebookUi::clearStep()
{
    const SimPhonebook::Outcome o = runSimClearForm(*phonebook_, &window_);
    window_.refreshHeading();
    if (o.kind == SimPhonebook::Outcome::Kind::Failed)
        app_.prompt().error(o.message);
    else if (!o.done() && !o.message.isEmpty())
        app_.prompt().warning(o.message);
}

int SimPhonebookUi::nextFreeSimIndex()
{
    // New entries are placed by what a complete read found, never by what
    // the list happens to show.
    if (!phonebook_->isCurrent() && !runRead().done())
        return 0;
    EngineState& st = app_.state();
    // Posted before the SIM told its limits: the name is cut now.
    st.sSIMRecName = simtext::safeName(st.sSIMRecName, st.iSIMMaxNameLen);
    const int index = phonebook_->nextFreeIndex(0);
    if (index > phonebook_->total()) {
        app_.prompt().warning(QStringLiteral("SIM Card is full."));
        return -1;
    }
    return index;
}

void SimPhonebookUi::showWriteOutcome(const SimPhonebook::Outcome& o)
{
    if (o.message.isEmpty())
        return;
    if (o.kind == SimPhonebook::Outcome::Kind::Failed)
        app_.prompt().error(o.message);
    else
        app_.prompt().warning(o.message);
}

void SimPhonebookUi::exportToSim()
{
    const QList<SimEntry> entries = simaddress::exportEntries(app_.db(), chosenAddresses ? chosenAddresses()
                                                                                         : QList<SimEntry>());
    if (entries.isEmpty())
        return;
    const UserPrompt::Answer answer =
        app_.prompt().show(UserPrompt::Icon::Question, QStringLiteral("Export to SIM Card"),
                           QStringLiteral("Clear SIM Card before export?"), UserPrompt::Buttons::YesNoCancelDefaultNo);
    if (answer == UserPrompt::Answer::Cancel)
        return;
    if (answer == UserPrompt::Answer::Yes)
        clearStep();
    if (!phonebook_->isCurrent()) {
        const SimPhonebook::Outcome read = runRead();
        if (!read.done()) {
            // Free locations are not known: nothing is written.
            if (read.kind == SimPhonebook::Outcome::Kind::Cancelled)
                app_.prompt().warning(QStringLiteral("Writing Not Complete."));
            return;
        }
    }
    showWriteOutcome(runSimWriteForm(*phonebook_, entries, &window_));
    window_.refreshHeading();
}

// ------------------------------------------------------------ installing

SimPhonebookUi* installSimPhonebook(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler,
                                    AtChannel& channel, std::function<void()> cancelWait)
{
    return new SimPhonebookUi(window, app, scheduler, channel, std::move(cancelWait));
}

SimPhonebookUi* installSimPhonebook(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler,
                                    ModemLink& link)
{
    return installSimPhonebook(window, app, scheduler, link, [&link] { link.cancel(); });
}
