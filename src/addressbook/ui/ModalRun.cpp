#include "addressbook/ui/ModalRun.h"

namespace addressbook {

namespace {
ModalRunner& runner()
{
    static ModalRunner r;
    return r;
}
} // namespace

int runModal(QDialog& dialog)
{
    if (runner())
        return runner()(dialog);
    return dialog.exec();
}

void setModalRunner(ModalRunner r) { runner() = std::move(r); }

} // namespace addressbook
