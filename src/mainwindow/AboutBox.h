#pragma once
// frmAbout: the program's name and version. Escape closes it.
#include <QDialog>

class QLabel;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    QLabel* programName() const { return lblProgramName_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* lblProgramName_;
};

// The Help menu's "About": a fresh copy of frmAbout over main, modeless.
AboutBox* openAboutBox(QWidget* main);
