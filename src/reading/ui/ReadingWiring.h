#pragma once
// Reading messages in the main window: the message list's double click
// opens the current row in the message window (one at a time), whose
// buttons reach the address forms and the ringtone player. One ReadingUi
// lives as a child of the main window; installReading creates it.
#include <QObject>
#include <QPointer>
#include <optional>

#include "reading/ui/MessageWindow.h"

class AppCommands;
class MainWindow;
struct SavedAddress;

// The message window's content for the main window's current list row and
// preview pane; nothing when no row is current or the pane is empty.
std::optional<MessageWindowData> currentMessageData(const MainWindow& main);

class ReadingUi : public QObject {
    Q_OBJECT
public:
    ReadingUi(MainWindow& main, AppCommands& app);

    // Opens the current row in the message window, closing an open one;
    // nullptr (nothing opened) when no row is current.
    MessageWindow* openMessage();
    // The open message window, or nullptr (bMessageFormOpen).
    MessageWindow* messageWindow() const { return window_; }
    bool messageFormOpen() const { return !window_.isNull(); }

private:
    void openAddressFor(const QString& number);
    void addressSaved(const SavedAddress& saved);

    MainWindow& main_;
    AppCommands& app_;
    QPointer<MessageWindow> window_;
};

// Creates the reading part of the main window (once) and wires it in.
ReadingUi* installReading(MainWindow& main, AppCommands& app);
// The reading part of a main window (nullptr before installReading).
ReadingUi* readingOf(MainWindow& main);
