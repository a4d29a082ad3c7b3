#pragma once
// The HTTP service's settings (frmSettingHTTP): the port and the start flag,
// which take effect at the next start, this computer's name and address, and
// the allow list, whose changes apply at once. One allowed address or range
// is entered in frmSettingHTTPAdd or frmSettingHTTPChange (IpAddressDialog).
#include <QDialog>
#include <array>
#include <functional>

#include "remote/HttpSettings.h"

class Database;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class UserPrompt;
class WindowServices;
struct EngineState;

class IpAddressDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Change };
    // For a change, old is the row being changed.
    IpAddressDialog(Mode mode, Database& db, UserPrompt& prompt, const IpRange& old = {},
                    QWidget* parent = nullptr);

    // Checks the boxes, writes the row and closes; stays open on a refusal.
    void save();
    // The row as written (after an accepted dialog).
    IpRange range() const { return saved_; }
    Mode mode() const { return mode_; }

    std::array<QLineEdit*, 5> txtIP{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int boxIndex(QObject* watched) const;
    void refuse(const QString& text, int box);

    Mode mode_;
    Database& db_;
    UserPrompt& prompt_;
    IpRange old_;
    IpRange saved_;
};

class SettingHttpDialog : public QDialog {
    Q_OBJECT
public:
    // The address dialogs run through windows.
    SettingHttpDialog(Database& db, EngineState& state, UserPrompt& prompt, WindowServices& windows,
                      QWidget* parent = nullptr);

    // cmdOK: checks and saves the port and the flag, closes, and tells that
    // a restart applies them.
    void save();
    // cmdAdd, cmdChange, cmdDelete (also Insert, a double click and Delete
    // in the list).
    void addAddress();
    void changeAddress();
    void deleteAddresses();
    // Fills the list from the table.
    void reloadList();

    QLabel* lblHostName = nullptr;
    QLabel* lblIPAddress = nullptr;
    QLineEdit* txtSettingHTTPPort = nullptr;
    QCheckBox* chkSettingStartHTTP = nullptr;
    QTreeWidget* lsvList = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdChange = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidgetItem* addRow(const IpRange& r);

    Database& db_;
    EngineState& st_;
    UserPrompt& prompt_;
    WindowServices& windows_;
};
