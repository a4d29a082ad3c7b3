#pragma once
// Small helpers shared by every part of the program: a wait that keeps the
// events running, text helpers, opening a file or address with its program,
// and opening a dialog over the main window with at most one copy of it.
#include <QString>
#include <QWidget>
#include <utility>

// Waits the given time while every pending event (serial input, sockets,
// timers, menu clicks) runs. Timed on a monotonic clock, so a wait over
// midnight or a clock change lasts as long as asked. Never spins.
void WaitMilliseconds(double ms);

enum class CompareMode { Binary, Text };

// Replaces find by replacement, searching from start (1-based; the text
// before it is kept), at most count times (-1 = all), comparing exactly
// (Binary) or without case (Text). The search goes on after each inserted
// replacement, so a replacement holding find does not loop.
QString ReplaceText(const QString& text, const QString& find, const QString& replacement,
                    int start = 1, int count = -1, CompareMode compare = CompareMode::Binary);

// Token number index (0-based) of text cut at each occurrence of the
// delimiter; "" when there is no such token. Consecutive delimiters give
// empty tokens.
QString GetToken(const QString& delimiter, const QString& text, int index);

// The text with "0" in front up to width characters; a longer text is
// returned unchanged.
QString PadZeros(const QString& text, int width);

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
