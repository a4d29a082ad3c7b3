#pragma once
// The tests' window services: files are answered from a script, modal
// dialogs are run by a function the test gives (without one they are
// cancelled unseen), opened addresses are recorded. Nothing is shown and
// no other program is started.
#include <QList>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "controls/WindowServices.h"

class ScriptedWindowServices : public WindowServices {
public:
    struct FileAsked {
        QString caption;
        QString folder;
        QString filters;
        bool save = false;
    };

    QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
                             const PrepareFileDialog& prepare) override;
    QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filters) override;
    int runModal(QDialog& dialog) override;
    void openUrl(const QUrl& url, const OpenOutcome& outcome = {}) override;

    // Forgets the script, the runner and what was recorded.
    void reset();

    // Files given in order; when the script is empty the answerer decides,
    // and without one the dialog counts as cancelled ("").
    void queueFile(const QString& path) { files_.append(path); }
    void setFileAnswerer(std::function<QString(const FileAsked&)> answer) { answer_ = std::move(answer); }
    const QList<FileAsked>& filesAsked() const { return asked_; }

    // Runs each modal dialog (fills it in and closes it) and returns its
    // result; without one a dialog is rejected without being shown.
    void setModalRunner(std::function<int(QDialog&)> run) { run_ = std::move(run); }
    int modalRuns() const { return modalRuns_; }

    // What openUrl tells its outcome, at once (true unless set).
    void setOpenResult(bool opens) { opens_ = opens; }
    const QList<QUrl>& opened() const { return opened_; }

private:
    QString answerFile(const FileAsked& asked);

    QStringList files_;
    std::function<QString(const FileAsked&)> answer_;
    QList<FileAsked> asked_;
    std::function<int(QDialog&)> run_;
    int modalRuns_ = 0;
    bool opens_ = true;
    QList<QUrl> opened_;
};

namespace testenv {
// The scripted window services of the process (programs that test
// windows); reset() before use.
ScriptedWindowServices& windows();
} // namespace testenv
