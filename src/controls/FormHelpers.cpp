#include "controls/FormHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QPointer>

bool EmbedForm(QWidget* container, QWidget* form)
{
    if (!container || !form)
        return false;
    const Qt::WindowFlags hints = form->windowFlags() & ~Qt::WindowType_Mask;
    form->setParent(container, hints | Qt::Dialog);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!form->testAttribute(Qt::WA_Resized))
        form->adjustSize();
    const QPoint centre = container->mapToGlobal(container->rect().center());
    form->move(centre - form->rect().center());
    form->show();
    form->activateWindow();
    return true;
}

void UnloadFormByName(const QString& objectName, const QWidget* keep)
{
    if (objectName.isEmpty())
        return;
    QList<QPointer<QWidget>> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != keep && w->objectName() == objectName)
            found.append(w);
    for (const QPointer<QWidget>& w : found) {
        if (!w)
            continue; // closing an earlier one took it along
        const bool deletes = w->testAttribute(Qt::WA_DeleteOnClose);
        w->close();
        if (w && !deletes)
            w->deleteLater();
    }
}

void UnloadFormByName(const QWidget* form)
{
    if (form)
        UnloadFormByName(form->objectName(), form);
}

void fitTitle(QWidget* window)
{
    // Title bars commonly use a bold face of the desktop font; the icon, the
    // three buttons and their margins take about ten lines' height beside it.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(window->windowTitle()) + 10 * fm.height();
    window->setMinimumWidth(qMax(window->minimumWidth(), width));
}

void nameInnerEdit(QWidget* box)
{
    if (auto* edit = box->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
        edit->setAccessibleName(box->accessibleName());
}

void onChecked(QAbstractButton* button, std::function<void()> handler)
{
    QObject::connect(button, &QAbstractButton::toggled, button, [handler = std::move(handler)](bool checked) {
        if (checked)
            handler();
    });
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

NameEntryControls buildNameEntry(QDialog* dialog, const QString& label, const QString& editName,
                                 const QString& accessibleName, int maxLength)
{
    NameEntryControls c;
    auto* caption = new QLabel(label, dialog);
    c.edit = new QLineEdit(dialog);
    c.edit->setObjectName(editName);
    c.edit->setMaxLength(maxLength);
    c.edit->setAccessibleName(accessibleName);
    c.edit->setMinimumWidth(240);
    caption->setBuddy(c.edit);

    c.add = new QPushButton(QStringLiteral("Add"), dialog);
    c.add->setObjectName(QStringLiteral("cmdAdd"));
    c.add->setDefault(true);
    c.cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    c.cancel->setObjectName(QStringLiteral("cmdCancel"));
    c.cancel->setAutoDefault(false);
    QObject::connect(c.cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(c.edit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(c.add);
    buttons->addWidget(c.cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(row);
    layout->addLayout(buttons);
    QWidget::setTabOrder(c.edit, c.add);
    QWidget::setTabOrder(c.add, c.cancel);
    c.edit->setFocus();
    return c;
}
