#include "controls/FileDialogs.h"

#include "base/AppPaths.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStyle>

namespace {

// Pictures and kinds from the name alone. The default provider asks the
// MIME database, which opens a file whose name does not tell its kind.
// Called from the dialog's listing thread, so the pictures are made once,
// on the window thread.
class NameOnlyIconProvider : public QAbstractFileIconProvider {
public:
    NameOnlyIconProvider()
        : folder_(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
          file_(QApplication::style()->standardIcon(QStyle::SP_FileIcon)),
          drive_(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon))
    {
    }

    QIcon icon(IconType type) const override
    {
        switch (type) {
        case Folder: return folder_;
        case Drive: return drive_;
        default: return file_;
        }
    }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return drive_;
        return info.isDir() ? folder_ : file_;
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return QStringLiteral("Drive");
        if (info.isDir())
            return QStringLiteral("Folder");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
    }

private:
    QIcon folder_, file_, drive_;
};

NameOnlyIconProvider& nameOnlyIcons()
{
    static NameOnlyIconProvider provider;
    return provider;
}

QString choose(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
               QFileDialog::AcceptMode mode, const PrepareFileDialog& prepare = {})
{
    FileDialog dialog(parent, caption, folder, filters, mode);
    if (prepare)
        prepare(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

FileDialog::FileDialog(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
                       AcceptMode mode)
    : QFileDialog(parent, caption, QString(), filters)
{
    // Options first: they decide which dialog is built.
    setOption(DontUseNativeDialog);
    setOption(DontUseCustomDirectoryIcons);
    setIconProvider(&nameOnlyIcons());
    setAcceptMode(mode);
    if (mode == AcceptSave) {
        setFileMode(AnyFile);
        setOption(DontConfirmOverwrite);
    } else {
        setFileMode(ExistingFile);
    }
    // Always the folder asked for: the dialog would otherwise start where
    // the last one of any kind was left.
    setDirectory(folder.isEmpty() ? documentsFolder() : folder);
}

void FileDialog::accept()
{
    for (const QString& path : selectedFiles()) {
        if (AppPaths::isDatabaseFile(path)) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nThis file belongs to the program's database and cannot be "
                                                "used here.")
                                     .arg(QDir::toNativeSeparators(path)));
            return;
        }
    }
    QFileDialog::accept();
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
                         const PrepareFileDialog& prepare)
{
    return choose(parent, caption, folder, filters, QFileDialog::AcceptOpen, prepare);
}

QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder, const QString& filters)
{
    return choose(parent, caption, folder, filters, QFileDialog::AcceptSave);
}
