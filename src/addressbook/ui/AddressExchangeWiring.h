#pragma once
// The address book's file keys in the main window: export of the chosen
// addresses (address and group toolbars) and the import wizard.
#include <QObject>

class AppCommands;
class MainWindow;

namespace addrx {

struct ImportResult;
class FileImportForm;
class ImportLogForm;

class AddressExchangeUi : public QObject {
    Q_OBJECT
public:
    AddressExchangeUi(MainWindow& main, AppCommands& app);

    // The address toolbar's "AddressFileExport" and the group toolbar's
    // "GroupFileExport".
    void ExportAddressesToFile();
    void ExportGroupToFile() { ExportAddressesToFile(); }
    // The address toolbar's "AddressFileImport": opens the wizard.
    FileImportForm* ImportAddressesFromFile();
    // After an import: refreshes the list, shows the summary and, on Yes,
    // the log.
    void importFinished(const ImportResult& result);
    ImportLogForm* openImportLog();

private:
    void refreshAddressList();

    MainWindow& main_;
    AppCommands& app_;
};

AddressExchangeUi* installAddressExchange(MainWindow& main, AppCommands& app);
AddressExchangeUi* addressExchangeOf(MainWindow& main);

} // namespace addrx
