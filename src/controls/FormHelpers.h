#pragma once
// Helpers of the windows: opening a file or address with its program, and
// opening a dialog over the main window with at most one copy of it.
#include <QString>
#include <QWidget>

class QAbstractButton;
class QDialog;
class QLineEdit;
class QPushButton;
#include <functional>
#include <utility>

// Shows form as a dialog of container (it stays over it and goes with it),
// centred over the container, deleted when it closes. Returns false when
// either is missing.
bool EmbedForm(QWidget* container, QWidget* form);

// Closes every open window with the given object name, except keep.
void UnloadFormByName(const QString& objectName, const QWidget* keep = nullptr);
// Closes the other open copies of form (the windows with its object name).
void UnloadFormByName(const QWidget* form);

// The main window's way of opening a dialog: a new T(args..., main), any
// open copy of it (same object name) closed, the new one centred over main.
template <class T, class... Args>
T* openSingleDialog(QWidget* main, Args&&... args)
{
    T* dialog = new T(std::forward<Args>(args)..., main);
    UnloadFormByName(dialog);
    EmbedForm(main, dialog);
    return dialog;
}

// Makes the window at least wide enough for the window manager to show its
// whole title beside the title bar's icon and buttons.
void fitTitle(QWidget* window);

// The edit box inside a combo box or a date or time box is read on its own:
// it takes the accessible name of the box it belongs to.
void nameInnerEdit(QWidget* box);

// Runs handler whenever the option button becomes checked, whatever checked
// it: a click, a key, a screen reader's toggle or the program itself.
void onChecked(QAbstractButton* button, std::function<void()> handler);

// The hourglass while database or file work runs; put back on every path.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A small dialog that asks for one name: the label with its box, then
// "Add" (the default) and "Cancel" (rejects), in that tab order, the box
// focused. The caller connects Add.
struct NameEntryControls {
    QLineEdit* edit = nullptr;
    QPushButton* add = nullptr;
    QPushButton* cancel = nullptr;
};
NameEntryControls buildNameEntry(QDialog* dialog, const QString& label, const QString& editName,
                                 const QString& accessibleName, int maxLength);
