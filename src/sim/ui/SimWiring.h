#pragma once
// The SIM phonebook in the running program: the SIM list of the main
// window, the SIM toolbar, the "To SIM" keys of the address and group
// toolbars, and the cycle's SIM steps (read, clear, the next free location,
// the selected locations, the export of address-book entries).
#include <QObject>
#include <QList>
#include <functional>
#include <memory>

#include "sim/SimPhonebook.h"

class ActivityScheduler;
class AppCommands;
class AtChannel;
class MainWindow;
class ModemLink;
class SimListModel;

class SimPhonebookUi : public QObject {
    Q_OBJECT
public:
    SimPhonebookUi(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler, AtChannel& channel,
                   std::function<void()> cancelWait);
    ~SimPhonebookUi() override;

    SimPhonebook& phonebook() { return *phonebook_; }
    SimListModel& model() { return *model_; }

    // The SIM toolbar's commands. None talks to the modem: each raises a
    // request for the cycle or opens a dialog.
    void refreshSim();        // "SIMRefresh"
    void clearSim();          // "SIMClear"
    void deleteSimEntries();  // "SIMDelete", the Delete key
    void editSimEntry();      // "SIMEdit", a double click
    void addSimEntry();       // "SIMAdd"
    void importSimEntries();  // "SIMImport"
    // "To SIM" on the address and group toolbars: raises the export request
    // when address rows are selected.
    void exportAddressesToSim();

    // The cycle's steps.
    void readStep();
    void clearStep();
    int nextFreeSimIndex();
    QList<int> selectedSimIndices() const;
    void exportToSim();

    // The SIM rows selected, in list order.
    QList<SimEntry> selectedSimEntries() const;
    // The address-book rows chosen for an export (name as shown, number), in
    // list order; by default the selection of the main window's address list.
    std::function<QList<SimEntry>()> chosenAddresses;

private:
    // The read form and its messages.
    SimPhonebook::Outcome runRead();
    void showWriteOutcome(const SimPhonebook::Outcome& o);

    MainWindow& window_;
    AppCommands& app_;
    ActivityScheduler& scheduler_;
    SimListModel* model_;
    std::unique_ptr<SimPhonebook> phonebook_;
};

// Installs the SIM phonebook into the main window and the cycle; the
// returned object belongs to the window.
SimPhonebookUi* installSimPhonebook(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler,
                                    ModemLink& link);
SimPhonebookUi* installSimPhonebook(MainWindow& window, AppCommands& app, ActivityScheduler& scheduler,
                                    AtChannel& channel, std::function<void()> cancelWait);
