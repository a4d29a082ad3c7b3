#pragma once
// What the windows ask of the desktop: a file chosen in a file dialog, a
// dialog run modally, an address or file opened with its program. Every
// form that needs one takes the WindowServices handed to it, beside its
// UserPrompt; the program hands in QtWindowServices, tests a scripted one,
// so that no test blocks on a dialog or starts another program.
#include <QString>
#include <functional>

#include "controls/FileDialogs.h"

class QDialog;
class QUrl;
class QWidget;

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // The chosen file, or empty when the dialog was cancelled. prepare, when
    // given, adds to the dialog before it runs (a preview beside the list).
    virtual QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filters, const PrepareFileDialog& prepare = {}) = 0;
    virtual QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filters) = 0;
    // Runs the dialog modally; returns its result (QDialog::Accepted, ...).
    virtual int runModal(QDialog& dialog) = 0;
    // Opens an address (http:, mailto:, ...) or a local file with the
    // desktop's program for it and returns at once; outcome, when given,
    // learns later whether a program took it (false when none could).
    using OpenOutcome = std::function<void(bool opened)>;
    virtual void openUrl(const QUrl& url, const OpenOutcome& outcome = {}) = 0;
};
