#pragma once
// Runs the address book's modal dialogs. The program runs them with exec();
// tests install a runner that fills in and closes the dialog instead, so
// that no test waits on a dialog.
#include <QDialog>
#include <functional>

namespace addressbook {

using ModalRunner = std::function<int(QDialog&)>;

// Runs the dialog modally and returns its result.
int runModal(QDialog& dialog);
// Replaces how runModal runs a dialog; an empty runner restores exec().
void setModalRunner(ModalRunner runner);

} // namespace addressbook
