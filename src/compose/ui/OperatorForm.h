#pragma once
// frmOperator, "Mobile Operators": picks an operator code for a logo by
// country and operator from the shipped operator table. It opens on the
// country and operator of the current code when the table knows it; OK
// stores the code (which may also be typed) in the code it was given.
#include <QDialog>
#include <QString>

#include "compose/OperatorList.h"

class Database;
class QComboBox;
class QLineEdit;
class QPushButton;
class UserPrompt;

namespace compose {

class OperatorForm : public QDialog {
    Q_OBJECT
public:
    // opCode: sOpCode; read now, written by OK.
    OperatorForm(Database& db, UserPrompt& prompt, QString& opCode, QWidget* parent = nullptr);

    // cmdOK: a blank code is refused and the dialog stays.
    void confirm();

    QComboBox* cboCountry() const { return cboCountry_; }
    QComboBox* cboOperator() const { return cboOperator_; }
    QLineEdit* txtOpCode() const { return txtOpCode_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdExit() const { return cmdExit_; }

private:
    void countryChosen();
    void operatorChosen();

    OperatorList list_;
    UserPrompt& prompt_;
    QString& opCode_;
    // The country and operator of the code at opening, if the table has it.
    QString rememberedCountry_;
    QString rememberedOperator_;

    QComboBox* cboCountry_ = nullptr;
    QComboBox* cboOperator_ = nullptr;
    QLineEdit* txtOpCode_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
};

} // namespace compose
