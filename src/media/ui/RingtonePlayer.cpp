#include "media/ui/RingtonePlayer.h"

#include "base/UserPrompt.h"
#include "controls/FormHelpers.h"
#include "media/MidiOut.h"
#include "media/RingtoneTune.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using media::RingtonePlayerCore;

namespace {

RingtonePlayerWindow::MidiOutFactory& sharedFactory()
{
    static RingtonePlayerWindow::MidiOutFactory factory;
    return factory;
}

QPushButton* button(const char* name, const QString& caption, QStyle::StandardPixmap icon, QWidget* parent)
{
    auto* b = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

void RingtonePlayerWindow::setMidiOutFactory(MidiOutFactory factory)
{
    sharedFactory() = std::move(factory);
}

RingtonePlayerWindow::RingtonePlayerWindow(const QString& content, MidiOutFactory factory, QWidget* parent)
    : QDialog(parent), content_(content)
{
    setObjectName(QStringLiteral("frmRingtone"));
    setWindowTitle(QStringLiteral("Ring Tone Player"));

    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setAccessibleName(QStringLiteral("Position"));
    // The slider shows the position; it does not move it.
    Slider1->setEnabled(false);
    Slider1->setRange(0, 0);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setMinimumWidth(300);

    cmdPlay = button("cmdPlay", QStringLiteral("&Play"), QStyle::SP_MediaPlay, this);
    cmdPause = button("cmdPause", QStringLiteral("P&ause"), QStyle::SP_MediaPause, this);
    cmdStop = button("cmdStop", QStringLiteral("&Stop"), QStyle::SP_MediaStop, this);
    cmdExit = button("cmdExit", QStringLiteral("E&xit"), QStyle::SP_DialogCloseButton, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Slider1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPlay);
    buttons->addWidget(cmdPause);
    buttons->addWidget(cmdStop);
    buttons->addStretch(1);
    buttons->addWidget(cmdExit);
    layout->addLayout(buttons);
    setTabOrder(cmdPlay, cmdPause);
    setTabOrder(cmdPause, cmdStop);
    setTabOrder(cmdStop, cmdExit);

    connect(cmdPlay, &QPushButton::clicked, this, &RingtonePlayerWindow::play);
    connect(cmdPause, &QPushButton::clicked, this, &RingtonePlayerWindow::pause);
    connect(cmdStop, &QPushButton::clicked, this, &RingtonePlayerWindow::stop);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);

    timMidi = new QTimer(this);
    timMidi->setObjectName(QStringLiteral("timMidi"));
    timMidi->setTimerType(Qt::PreciseTimer);
    timMidi->setSingleShot(true);
    connect(timMidi, &QTimer::timeout, this, &RingtonePlayerWindow::tick);

    // The output: program 70 at full level on both channels.
    if (!factory)
        factory = sharedFactory();
    out_ = factory ? factory() : media::openMidiOut();
    if (!out_)
        out_ = std::make_unique<media::NullMidiOut>();
    send(RingtonePlayerCore::openingActions());
    out_->setVolume(1.0);

    Slider1->setMaximum(media::tuneFromContent(content_).notes.size());
    showState();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &RingtonePlayerWindow::play);
    Timer1->start(kStartDelayMs);
}

RingtonePlayerWindow::~RingtonePlayerWindow()
{
    release();
}

QString RingtonePlayerWindow::silentReason() const
{
    return out_ ? out_->silentReason() : QString();
}

void RingtonePlayerWindow::send(const QList<media::MidiAction>& actions)
{
    if (out_)
        media::sendActions(*out_, actions);
}

void RingtonePlayerWindow::showState()
{
    const RingtonePlayerCore::State s = core_.state();
    const bool live = bool(out_);
    cmdPlay->setEnabled(live && s != RingtonePlayerCore::State::Playing);
    cmdPause->setEnabled(live && s == RingtonePlayerCore::State::Playing);
    cmdStop->setEnabled(live && s != RingtonePlayerCore::State::Stopped);
}

void RingtonePlayerWindow::play()
{
    Timer1->stop();
    if (!out_ || core_.state() == RingtonePlayerCore::State::Playing)
        return;
    // The tune is read again from the window's own copy of the content.
    core_.setTune(media::tuneFromContent(content_));
    Slider1->setMaximum(core_.noteCount());
    const int delay = core_.play();
    if (delay < 0)
        return;
    timMidi->start(delay);
    showState();
}

void RingtonePlayerWindow::pause()
{
    Timer1->stop();
    timMidi->stop();
    send(core_.pause());
    showState();
}

void RingtonePlayerWindow::stop()
{
    Timer1->stop();
    timMidi->stop();
    send(core_.stop());
    Slider1->setValue(0);
    showState();
}

void RingtonePlayerWindow::tick()
{
    const RingtonePlayerCore::Tick t = core_.tick();
    send(t.actions);
    if (t.nextMs >= 0)
        timMidi->start(t.nextMs);
    else
        timMidi->stop();
    Slider1->setValue(core_.position());
    showState();
}

void RingtonePlayerWindow::release()
{
    if (Timer1)
        Timer1->stop();
    if (timMidi)
        timMidi->stop();
    if (!out_)
        return;
    core_.stop(); // the reset below silences the output
    out_->reset();
    out_->close();
    out_.reset();
}

void RingtonePlayerWindow::closeEvent(QCloseEvent* event)
{
    release();
    showState();
    QDialog::closeEvent(event);
}

void RingtonePlayerWindow::done(int result)
{
    release();
    showState();
    QDialog::done(result);
}

RingtonePlayerWindow* openPlayer(const QString& content, QWidget* parent, UserPrompt& prompt)
{
    QWidget* main = parent;
    while (main && main->parentWidget())
        main = main->parentWidget();
    // The open player lets go of its output before the new one takes one.
    UnloadFormByName(QStringLiteral("frmRingtone"));
    auto* player = new RingtonePlayerWindow(content, {}, main);
    if (!EmbedForm(main, player)) {
        player->setAttribute(Qt::WA_DeleteOnClose);
        player->show();
    }
    const QString silent = player->silentReason();
    if (!silent.isEmpty())
        prompt.error(silent + QStringLiteral(".\nThe ring tone plays without sound."));
    return player;
}
