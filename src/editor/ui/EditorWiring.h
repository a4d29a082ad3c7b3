#pragma once
// The bitmap editor and the operator list in the running program: the send
// form's Edit buttons open the editor over the main window, its View List
// button the operator list.
class AppCommands;
class MainWindow;

// Fills in the editBitmap and pickOperator hooks of the main window's send
// form opener (installCompose must have run). Returns false when there is
// no opener.
bool installEditor(MainWindow& window, AppCommands& app);
