#pragma once
// The splash window (frmFlash) shown between the login and the main window:
// the program's name and a busy bar while the database is tidied. The tidy
// starts half a second after the window shows; when it succeeds the window
// stays three seconds more and is accepted, when it fails it is rejected
// (and the program ends). It cannot be closed while it works.
#include <QDialog>
#include <functional>

class Database;
class QLabel;
class QProgressBar;
class UserPrompt;

class SplashDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kStartDelayMs = 500;
    static constexpr int kFinishDelayMs = 3000;

    // maintain runs the tidy and returns whether it succeeded.
    explicit SplashDialog(std::function<bool()> maintain, QWidget* parent = nullptr);

    // The two waits (tests shorten them).
    void setDelays(int startMs, int finishMs);
    // The tidy has run (whatever its result).
    bool maintained() const { return maintained_; }

    QLabel* lblProgramName = nullptr;
    QProgressBar* shpProgress = nullptr;

public slots:
    // Escape and the close box do nothing: the program goes on either way.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void maintain();

    std::function<bool()> maintain_;
    QLabel* lblStatus_ = nullptr;
    int startMs_ = kStartDelayMs;
    int finishMs_ = kFinishDelayMs;
    bool started_ = false;
    bool maintained_ = false;
    bool done_ = false;
};

// Shows the splash window with the tidy of the open database and returns
// whether it succeeded (the main window may then be shown).
bool runSplash(Database& db, UserPrompt& prompt);
