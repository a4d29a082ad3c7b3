#include "addressbook/ui/AddressExchangeWiring.h"

#include "addressbook/AddressExchange.h"
#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/FileImportForm.h"
#include "addressbook/ui/ImportLogForm.h"
#include "base/UserPrompt.h"
#include "controls/FileDialogs.h"
#include "controls/FormHelpers.h"
#include "controls/WindowServices.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"

namespace addrx {

AddressExchangeUi::AddressExchangeUi(MainWindow& main, AppCommands& app)
    : QObject(&main), main_(main), app_(app)
{
    setObjectName(QStringLiteral("addressExchange"));
}

void AddressExchangeUi::ExportAddressesToFile()
{
    AddressBookUi* book = addressBookOf(main_);
    QStringList numbers;
    if (book)
        for (const AddressListRow& row : book->selectedAddresses())
            numbers << row.number;
    if (numbers.isEmpty()) {
        app_.prompt().warning(QStringLiteral("Please select items to export"));
        return;
    }
    // The program asks its own question before it replaces a file.
    const QString path = app_.windows().chooseFileToSave(&main_, QStringLiteral("Save As"), documentsFolder(),
                                                         QStringLiteral("Text File (*.txt)"));
    if (path.isEmpty())
        return;
    exportAddresses(app_.db(), app_.prompt(), numbers, path);
}

FileImportForm* AddressExchangeUi::ImportAddressesFromFile()
{
    auto* form = openSingleDialog<FileImportForm>(&main_, app_.db(), app_.prompt(), app_.windows());
    connect(form, &FileImportForm::importFinished, this, [this](const ImportResult& r) {
        const ImportResult copy = r;
        importFinished(copy);
    });
    connect(form, &FileImportForm::addressesChanged, this, [this] { refreshAddressList(); });
    connect(form, &QDialog::finished, &main_, [m = &main_] { m->activateWindow(); });
    form->show();
    return form;
}

void AddressExchangeUi::refreshAddressList()
{
    // The list on show follows: the whole book, or the group it shows.
    if (!main_.hasView() || !main_.populateAddressHook)
        return;
    if (main_.currentView() == ViewKind::AddressBook)
        main_.populateAddressHook(QString());
    else if (main_.currentView() == ViewKind::Group)
        main_.populateAddressHook(main_.nodeKey());
}

void AddressExchangeUi::importFinished(const ImportResult& result)
{
    if (result.inserted)
        refreshAddressList();
    if (app_.prompt().show(UserPrompt::Icon::Information, QStringLiteral("Completed..."), result.summaryText(),
                           UserPrompt::Buttons::YesNo) == UserPrompt::Answer::Yes)
        openImportLog();
}

ImportLogForm* AddressExchangeUi::openImportLog()
{
    auto* form = openSingleDialog<ImportLogForm>(&main_, importLogPath());
    form->show();
    return form;
}

AddressExchangeUi* installAddressExchange(MainWindow& main, AppCommands& app)
{
    if (AddressExchangeUi* existing = addressExchangeOf(main))
        return existing;
    auto* ui = new AddressExchangeUi(main, app);
    main.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressFileExport"),
                          [ui] { ui->ExportAddressesToFile(); });
    main.setToolbarAction(ToolbarId::Group, QStringLiteral("GroupFileExport"), [ui] { ui->ExportGroupToFile(); });
    main.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressFileImport"),
                          [ui] { ui->ImportAddressesFromFile(); });
    return ui;
}

AddressExchangeUi* addressExchangeOf(MainWindow& main)
{
    return main.findChild<AddressExchangeUi*>(QStringLiteral("addressExchange"), Qt::FindDirectChildrenOnly);
}

} // namespace addrx
