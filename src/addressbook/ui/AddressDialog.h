#pragma once
// The address entry forms: "New Address" (frmAddressAdd) creates an entry,
// "Update Address" (frmAddressEdit) changes one. Both show the 16 boxes on
// tabbed pages and the entry's groups; the group list is written only when
// the entry is saved.
#include <QDialog>
#include <QMetaType>
#include <QStringList>
#include <array>

#include "addressbook/AddressEntry.h"

class Database;
class QListWidget;
class QPushButton;
class QTabWidget;
class UserPrompt;
class WindowServices;

// What a save wrote, for the lists that show the entry.
struct SavedAddress {
    bool added = false;   // by the add form
    QString oldNumber;    // the edit form's number before the save
    QString number;
    QString name;         // first name, a blank, last name
    QStringList groups;
};
Q_DECLARE_METATYPE(SavedAddress)

class AddressDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit };

    // number: the entry to edit, or the number to prefill in the add form.
    // The group picker runs through windows.
    AddressDialog(Mode mode, Database& db, UserPrompt& prompt, WindowServices& windows, const QString& number,
                  QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // The number the edit form loaded (the entry's key until it is saved).
    QString loadedNumber() const { return loadedNumber_; }

    QWidget* box(AddressField field) const { return boxes_[size_t(field)]; }
    QString text(AddressField field) const;
    void setText(AddressField field, const QString& text);
    // The group names listed, in list order.
    QStringList groups() const;
    void addGroups(const QStringList& names);

    // "Add New": the group picker, listing the groups that do not hold the
    // number typed and are not listed yet.
    void pickGroups();
    // "Delete Selected": removes the ticked groups from the list.
    void deleteTickedGroups();
    // "Save" or "Update": checks and writes the entry; closes on success.
    bool save();

    QTabWidget* tabDef = nullptr;
    QListWidget* lsvGroup = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdSave = nullptr;  // "Save", or "Update" (cmdUpdate) on the edit form
    QPushButton* cmdCancel = nullptr;

signals:
    void saved(const SavedAddress& saved);

private:
    void buildForm();
    void loadEntry(const QString& number);
    void refuse(AddressField field, const QString& message);

    Mode mode_;
    Database& db_;
    UserPrompt& prompt_;
    WindowServices& windows_;
    QString loadedNumber_;
    std::array<QWidget*, kAddressFieldCount> boxes_{};
};
