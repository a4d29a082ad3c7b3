#include "editor/ui/EditorWiring.h"

#include <QPointer>

#include "compose/ui/ComposeWiring.h"
#include "compose/ui/OperatorForm.h"
#include "controls/FormHelpers.h"
#include "controls/WindowServices.h"
#include "editor/ui/PaintForm.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "base/EngineState.h"

bool installEditor(MainWindow& window, AppCommands& app)
{
    SendFormOpener* opener = SendFormOpener::of(window);
    if (!opener)
        return false;
    QPointer<MainWindow> main(&window);
    opener->hooks.editBitmap = [main, &app](SendForm* form, int picType) {
        if (!main || !form)
            return;
        auto* editor = new editor::PaintForm(app.prompt(), app.windows(), main);
        editor->load(picType, picType == compose::KindLogo ? form->logoBitmap() : form->pictureBitmap());
        // The send form may be closed while the editor is open: then OK
        // has nowhere to go and hands nothing back.
        QPointer<SendForm> target(form);
        editor->setHandBack([target](int type, const sms::MonoBitmap& picture) {
            if (!target)
                return;
            if (type == compose::KindLogo)
                target->setLogoBitmap(picture);
            else
                target->setPictureBitmap(picture);
        });
        // Closed, it hands the keyboard back to the send form it was
        // opened from, not to the main window it stands over.
        QObject::connect(editor, &QDialog::finished, form, [form] {
            if (form->isVisible()) {
                form->raise();
                form->activateWindow();
            }
        });
        UnloadFormByName(editor);
        EmbedForm(main, editor);
    };
    opener->hooks.pickOperator = [&app](QWidget* parent) {
        compose::OperatorForm dialog(app.db(), app.prompt(), app.state().sOpCode, parent);
        app.windows().runModal(dialog);
    };
    return true;
}
