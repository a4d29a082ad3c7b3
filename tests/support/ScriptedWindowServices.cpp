#include "support/ScriptedWindowServices.h"

#include <QDialog>

QString ScriptedWindowServices::answerFile(const FileAsked& asked)
{
    asked_.append(asked);
    if (!files_.isEmpty())
        return files_.takeFirst();
    return answer_ ? answer_(asked) : QString();
}

QString ScriptedWindowServices::chooseFileToOpen(QWidget*, const QString& caption, const QString& folder,
                                                 const QString& filters, const PrepareFileDialog&)
{
    return answerFile({caption, folder, filters, false});
}

QString ScriptedWindowServices::chooseFileToSave(QWidget*, const QString& caption, const QString& folder,
                                                 const QString& filters)
{
    return answerFile({caption, folder, filters, true});
}

int ScriptedWindowServices::runModal(QDialog& dialog)
{
    ++modalRuns_;
    return run_ ? run_(dialog) : int(QDialog::Rejected);
}

void ScriptedWindowServices::openUrl(const QUrl& url, const OpenOutcome& outcome)
{
    opened_.append(url);
    if (outcome)
        outcome(opens_);
}

void ScriptedWindowServices::reset()
{
    *this = ScriptedWindowServices();
}

namespace testenv {

ScriptedWindowServices& windows()
{
    static ScriptedWindowServices services;
    return services;
}

} // namespace testenv
