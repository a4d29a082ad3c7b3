#include "housekeeping/ui/SplashDialog.h"

#include "base/AppPaths.h"
#include "base/Clock.h"
#include "base/Database.h"
#include "controls/Twips.h"
#include "housekeeping/Housekeeping.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int px(int tw) { return twips::toPx(tw); }
} // namespace

SplashDialog::SplashDialog(std::function<bool()> maintain, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), maintain_(std::move(maintain))
{
    setObjectName(QStringLiteral("frmFlash"));
    setWindowTitle(QStringLiteral("Welcome"));

    lblProgramName = new QLabel(QStringLiteral("Velquarin 1.2"), this);
    lblProgramName->setObjectName(QStringLiteral("lblProgramName"));
    QFont big = lblProgramName->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    lblProgramName->setFont(big);
    lblProgramName->setAlignment(Qt::AlignCenter);

    auto* tagline = new QLabel(QStringLiteral("SMS through your GSM modem"), this);
    tagline->setObjectName(QStringLiteral("lblTagline"));
    tagline->setAlignment(Qt::AlignCenter);
    lblStatus_ = new QLabel(QStringLiteral("Preparing the message database..."), this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    auto* wait = new QLabel(QStringLiteral("Please wait."), this);
    wait->setObjectName(QStringLiteral("lblWait"));

    shpProgress = new QProgressBar(this);
    shpProgress->setObjectName(QStringLiteral("shpProgress"));
    shpProgress->setRange(0, 0); // busy: the bar runs without an end
    shpProgress->setTextVisible(false);
    shpProgress->setFixedHeight(px(180));
    shpProgress->setAccessibleName(lblStatus_->text());

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(px(360), px(360), px(360), px(300));
    v->setSpacing(px(120));
    v->addWidget(lblProgramName);
    v->addWidget(tagline);
    v->addSpacing(px(240));
    v->addWidget(lblStatus_);
    v->addWidget(shpProgress);
    v->addWidget(wait);
    setFixedSize(sizeHint().expandedTo(QSize(px(5400), px(2800))));
}

void SplashDialog::setDelays(int startMs, int finishMs)
{
    startMs_ = startMs;
    finishMs_ = finishMs;
}

void SplashDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started_)
        return;
    started_ = true;
    QTimer::singleShot(startMs_, this, &SplashDialog::maintain);
}

void SplashDialog::maintain()
{
    const bool ok = maintain_ ? maintain_() : true;
    maintained_ = true;
    if (!ok) {
        done_ = true;
        done(QDialog::Rejected);
        return;
    }
    lblStatus_->setText(QStringLiteral("Starting..."));
    QTimer::singleShot(finishMs_, this, [this] {
        done_ = true;
        done(QDialog::Accepted);
    });
}

void SplashDialog::closeEvent(QCloseEvent* event)
{
    if (!done_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

bool runSplash(Database& db, UserPrompt& prompt)
{
    SystemClock clock;
    SplashDialog splash([&] { return MaintainDatabase(db, prompt, clock, AppPaths::backupPath()); });
    return splash.exec() == QDialog::Accepted;
}
