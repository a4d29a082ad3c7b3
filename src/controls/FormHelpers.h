#pragma once
// Helpers of the windows: opening a file or address with its program, and
// opening a dialog over the main window with at most one copy of it.
#include <QString>
#include <QWidget>
#include <utility>

// Opens a file, folder or address (http:, mailto:, ...) with the desktop's
// program for it. A program file given with parameters is started with
// them. A relative file is taken from directory when one is given. The show
// command is accepted for the callers' sake; the desktop decides.
bool ShellOpen(const QString& operation, const QString& file, const QString& parameters = {},
               const QString& directory = {}, int showCmd = 1);

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
