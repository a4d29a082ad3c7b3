#pragma once
// The address book in the main window: the address list and its keys, the
// address and group toolbars, the group entries of the folder tree's pop-up
// menu, and the entry forms. One AddressBookUi lives as a child of the main
// window; installAddressBook creates it.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "addressbook/AddressBook.h"
#include "addressbook/ui/AddressDialog.h"

class AddressListModel;
class AppCommands;
class MainWindow;
class QMenu;
class QTreeWidgetItem;

class AddressBookUi : public QObject {
    Q_OBJECT
public:
    AddressBookUi(MainWindow& main, AppCommands& app);

    AddressListModel* model() const { return model_; }

    // The list of the whole book (group empty) or of one group's members.
    void PopulateAddress(const QString& group);
    // The address toolbar.
    void DeleteAddresses();
    void EditAddress();
    void NewAddress();
    // The message toolbars' "sender" and "addressee": the edit form when the
    // book holds the selected message's number, else the add form.
    void AddSenderToAddressBook();
    // The same for a number in hand (the message window); returns the form
    // opened, or nullptr after a database error.
    AddressDialog* openFormForNumber(QString number);
    // The group toolbar.
    void AddGroupMembers();
    void DeleteGroupMembers();
    // The folder tree's group commands.
    void newGroup();
    void renameGroup(QTreeWidgetItem* node);
    void deleteGroup(QTreeWidgetItem* node);
    void fillNodeMenu(QMenu& menu, QTreeWidgetItem* node);

    // The selected rows of the address list in list order (for the file
    // export).
    QList<AddressListRow> selectedAddresses() const;

    // Opens an entry form over the main window (any open copy is closed).
    AddressDialog* openForm(AddressDialog::Mode mode, const QString& number);

signals:
    // An entry was saved by one of the forms (the message window follows).
    void addressSaved(const SavedAddress& saved);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList selectedNumbers() const;
    // The number of the selected item the edit acts on: the current row when
    // it is selected, else the first selected one.
    QString selectedNumber() const;
    bool addressListShown() const;
    bool groupShown() const;
    void refreshAfterSave(const SavedAddress& saved);

    MainWindow& main_;
    AppCommands& app_;
    AddressListModel* model_;
};

// Creates the address book's part of the main window and wires it in,
// together with the send form's recipient pickers when the send form is
// installed already.
AddressBookUi* installAddressBook(MainWindow& main, AppCommands& app);
// Gives the send forms opened from this window the address and group
// pickers.
void connectPickers(MainWindow& main, AppCommands& app);
// The address book of a main window (nullptr before installAddressBook).
AddressBookUi* addressBookOf(MainWindow& main);
