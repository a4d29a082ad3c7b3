#include "compose/ui/CannedWiring.h"

#include "compose/ui/CannedForms.h"
#include "compose/ui/ComposeWiring.h"
#include "compose/ui/InsertFieldDialog.h"
#include "mainwindow/AppCommands.h"

#include <QComboBox>
#include <QPlainTextEdit>

void installCannedMessages(MainWindow& window, AppCommands& app)
{
    SendFormOpener* opener = SendFormOpener::of(window);
    if (!opener)
        return;
    opener->hooks.insertField = [&app](QWidget* parent, QPlainTextEdit* target) {
        insertMergeField(parent, target, app.windows());
    };
    opener->hooks.installCanned = [&app](SendForm& form) {
        installCannedList({form.cboCannedMessage(), form.cmdNew(), form.cmdEdit(), form.cmdDelete(), form.txtMessage()},
                          app.db(), app.prompt(), app.windows());
    };
}
