#pragma once
// A modal list with check boxes and two buttons: the group picker of the
// entry forms, the member picker of a group and the two recipient pickers.
// Each row carries a tag (a group name or a number). The accept button runs
// onAccept with the ticked tags in list order; the dialog closes only when
// that returns true.
#include <QDialog>
#include <QStringList>
#include <functional>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CheckListDialog : public QDialog {
    Q_OBJECT
public:
    struct Options {
        QString objectName;    // "frmAddressGroupAdd", ...
        QString caption;       // the window title
        QStringList headings;  // one per column
        QString listName;      // the list's accessible name
        QString acceptCaption; // "Add Selected", "OK"
        QString acceptName;    // "cmdAdd", "cmdOK"
    };

    explicit CheckListDialog(const Options& options, QWidget* parent = nullptr);

    // Appends a row: its column texts, its tag, and whether it starts ticked.
    void addRow(const QStringList& columns, const QString& tag, bool ticked = false);
    int rowCount() const;
    QTreeWidgetItem* row(int i) const;
    QString tagOf(int i) const;
    bool isTicked(int i) const;
    void setTicked(int i, bool ticked);
    // The tags of the ticked rows, in list order.
    QStringList tickedTags() const;

    // Decides the accept button; without it the dialog simply accepts.
    std::function<bool(const QStringList& ticked)> onAccept;

    QTreeWidget* lsvList = nullptr;
    QPushButton* cmdAccept = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void acceptClicked();
};
