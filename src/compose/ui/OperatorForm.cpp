#include "compose/ui/OperatorForm.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/UserPrompt.h"

namespace compose {

namespace {

// The item equal to the text, else the first (case as the table compares).
int itemFor(const QComboBox* box, const QString& text)
{
    if (!text.isEmpty())
        for (int i = 0; i < box->count(); ++i)
            if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
                return i;
    return box->count() > 0 ? 0 : -1;
}

} // namespace

OperatorForm::OperatorForm(Database& db, UserPrompt& prompt, QString& opCode, QWidget* parent)
    : QDialog(parent), list_(db), prompt_(prompt), opCode_(opCode)
{
    setObjectName(QStringLiteral("frmOperator"));
    setWindowTitle(QStringLiteral("Mobile Operators"));
    setModal(true);

    cboCountry_ = new QComboBox(this);
    cboCountry_->setObjectName(QStringLiteral("cboCountry"));
    cboCountry_->setMinimumContentsLength(24);
    cboCountry_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboOperator_ = new QComboBox(this);
    cboOperator_->setObjectName(QStringLiteral("cboOperator"));
    cboOperator_->setMinimumContentsLength(24);
    cboOperator_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    txtOpCode_ = new QLineEdit(this);
    txtOpCode_->setObjectName(QStringLiteral("txtOpCode"));
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdExit_ = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setAutoDefault(false);

    auto* form = new QFormLayout;
    auto addRow = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        field->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        form->addRow(label, field);
    };
    addRow(QStringLiteral("&Country"), cboCountry_);
    addRow(QStringLiteral("&Operator"), cboOperator_);
    addRow(QStringLiteral("Operator &Code"), txtOpCode_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdExit_);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addLayout(buttons);
    setTabOrder(cboCountry_, cboOperator_);
    setTabOrder(cboOperator_, txtOpCode_);
    setTabOrder(txtOpCode_, cmdOK_);
    setTabOrder(cmdOK_, cmdExit_);

    connect(cmdOK_, &QPushButton::clicked, this, &OperatorForm::confirm);
    connect(cmdExit_, &QPushButton::clicked, this, &QDialog::reject);

    // The load: the remembered names, the countries, then the chosen one.
    list_.find(opCode_, &rememberedCountry_, &rememberedOperator_);
    cboCountry_->addItems(list_.countries());
    cboCountry_->setCurrentIndex(itemFor(cboCountry_, rememberedCountry_));
    countryChosen();
    // Only a choice by the user runs the lists again.
    connect(cboCountry_, &QComboBox::activated, this, &OperatorForm::countryChosen);
    connect(cboOperator_, &QComboBox::activated, this, &OperatorForm::operatorChosen);
}

void OperatorForm::countryChosen()
{
    cboOperator_->clear();
    cboOperator_->addItems(list_.operators(cboCountry_->currentText()));
    cboOperator_->setCurrentIndex(itemFor(cboOperator_, rememberedOperator_));
    operatorChosen();
}

void OperatorForm::operatorChosen()
{
    txtOpCode_->clear();
    if (cboOperator_->currentIndex() >= 0)
        txtOpCode_->setText(list_.code(cboCountry_->currentText(), cboOperator_->currentText()));
}

void OperatorForm::confirm()
{
    const QString code = txtOpCode_->text().trimmed();
    txtOpCode_->setText(code);
    if (code.isEmpty()) {
        prompt_.warning(QStringLiteral("Operator code cannot be blank"));
        txtOpCode_->setFocus();
        return;
    }
    opCode_ = code;
    accept();
}

} // namespace compose
