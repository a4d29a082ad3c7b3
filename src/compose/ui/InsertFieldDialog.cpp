#include "compose/ui/InsertFieldDialog.h"

#include "compose/CannedMessages.h"
#include "controls/FormHelpers.h"
#include "controls/WindowServices.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>


InsertFieldDialog::InsertFieldDialog(QWidget* parent) : QDialog(parent), chosen_(compose::kDefaultMergeField)
{
    setObjectName(QStringLiteral("frmInsertField"));
    setWindowTitle(QStringLiteral("Insert Address Field"));
    fitTitle(this);

    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    const auto& fields = compose::mergeFields();
    for (int i = 0; i < int(fields.size()); ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(fields[size_t(i)].caption), this);
        option->setObjectName(QStringLiteral("optField%1").arg(i));
        group->addButton(option, i);
        layout->addWidget(option);
        optField[size_t(i)] = option;
        onChecked(option, [this, i] { choose(i); });
    }
    optField[size_t(chosen_)]->setChecked(true);

    cmdInsert = new QPushButton(QStringLiteral("&Insert"), this);
    cmdInsert->setObjectName(QStringLiteral("cmdInsert"));
    cmdInsert->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdInsert);
    buttons->addWidget(cmdCancel);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    connect(cmdInsert, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    for (size_t i = 1; i < optField.size(); ++i)
        setTabOrder(optField[i - 1], optField[i]);
    setTabOrder(optField.back(), cmdInsert);
    setTabOrder(cmdInsert, cmdCancel);
    optField[size_t(chosen_)]->setFocus();
}

QString InsertFieldDialog::code() const
{
    return QString::fromLatin1(compose::mergeFields()[size_t(chosen_)].code);
}

void InsertFieldDialog::choose(int index)
{
    if (index < 0 || index >= int(optField.size()))
        return;
    chosen_ = index;
    optField[size_t(index)]->setChecked(true);
}

std::optional<QString> pickMergeField(QWidget* parent, WindowServices& windows)
{
    InsertFieldDialog dialog(parent);
    if (windows.runModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.code();
}

bool insertMergeField(QWidget* parent, QPlainTextEdit* target, WindowServices& windows)
{
    if (!target)
        return false;
    const std::optional<QString> code = pickMergeField(parent, windows);
    if (code)
        target->insertPlainText(*code); // replaces the selection
    target->setFocus();
    return code.has_value();
}

bool insertMergeField(QWidget* parent, QLineEdit* target, WindowServices& windows)
{
    if (!target)
        return false;
    const std::optional<QString> code = pickMergeField(parent, windows);
    if (code)
        target->insert(*code); // replaces the selection
    target->setFocus();
    return code.has_value();
}
