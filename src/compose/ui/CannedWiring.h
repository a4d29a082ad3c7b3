#pragma once
// Canned messages and merge fields in the running program: every send form
// opened from the main window gets its canned list with the New, Edit and
// Delete dialogs, and the merge-field dialog behind its Insert Field button.
class AppCommands;
class MainWindow;

// Call after installCompose: fills the hooks of the window's send-form
// opener; nothing when there is none.
void installCannedMessages(MainWindow& window, AppCommands& app);
