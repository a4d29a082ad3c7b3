#pragma once
// frmFileImport: the import wizard. Step 1 chooses the file, the group the
// addresses join and what happens to a number already in the book; step 2
// maps the fields of the file's first record onto the address fields by
// drag and drop. The import itself is addrx::importFile.
#include <QDialog>
#include <QTreeWidget>

#include "addressbook/AddressExchange.h"

class Database;
class PopButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class UserPrompt;
class WindowServices;

namespace addrx {

// A list of the mapping step. Fields are dragged from the file's list onto
// the address fields, and back to unmap.
class MapList : public QTreeWidget {
    Q_OBJECT
public:
    enum class Side { From, To };
    MapList(Side side, QWidget* parent);

signals:
    // A file field (position from 1) was dropped on a target (from 1).
    void mapRequested(int target, int position);
    // An address field was dragged back to the file's list.
    void unmapRequested(int target);

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The side the drag came from and the item's number, from the drag data.
    bool readDrag(const QMimeData* data, Side* from, int* number) const;
    bool accepts(const QMimeData* data) const;

    Side side_;
};

class FileImportForm : public QDialog {
    Q_OBJECT
public:
    // The file is asked for through windows.
    FileImportForm(Database& db, UserPrompt& prompt, WindowServices& windows, QWidget* parent = nullptr);

    // Where the log goes (import.log of the data folder unless set).
    void setLogPath(const QString& path) { logPath_ = path; }

    // cmdFile: asks for the file.
    void cmdFile_Click();
    // Takes a file as if it had been chosen in the dialog.
    void chooseFile(const QString& path);
    void cmdNext_Click();
    void cmdPrevious_Click();
    void cmdImport_Click();

    // The mapping step's drops.
    void mapTarget(int target, int position);
    void unmapTarget(int target);
    // The keyboard's way: cmdMap maps the current file field onto the
    // current address field and moves both lists on by one; cmdUnmap
    // unmaps the current address field.
    void cmdMap_Click();
    void cmdUnmap_Click();
    const Mapping& mapping() const { return mapping_; }
    int step() const;

    ImportOptions options() const;
    const ImportResult& result() const { return result_; }

signals:
    // The import ended normally; the wizard closes.
    void importFinished(const addrx::ImportResult& result);
    // Rows were added although the import stopped early.
    void addressesChanged();

private:
protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildStep1(QWidget* page);
    void buildStep2(QWidget* page);
    void showStep(int step);
    void updateImportButton();
    void populateFields();

    Database& db_;
    UserPrompt& prompt_;
    WindowServices& windows_;
    QString chosenFile_;
    QString logPath_;
    Mapping mapping_{};
    ImportResult result_;

    QStackedWidget* pages_;
    PopButton* cmdFile_;
    QLineEdit* txtFile_;
    QComboBox* cboGroup_;
    QRadioButton* optReplace_[2];
    MapList* lsvFrom_;
    MapList* lsvTo_;
    QCheckBox* chkHeader_;
    QPushButton* cmdNext_;
    QPushButton* cmdMap_;
    QPushButton* cmdUnmap_;
    QPushButton* cmdPrevious_;
    QPushButton* cmdImport_;
    QPushButton* cmdCancel_;
};

} // namespace addrx
