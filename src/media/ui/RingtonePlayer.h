#pragma once
// The ringtone player window (frmRingtone): plays stored ringtone content
// through a MIDI output, one note per tick of a precise timer, and shows
// the position on a slider. It starts by itself 100 ms after it opens.
// Play, Pause and Stop move between the stopped, playing and paused states;
// Play always reads the tune again from the content the window was opened
// with, so a paused tune goes on where it stopped. Closing the window in
// any state silences and releases the output.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "media/RingtonePlayerCore.h"

class QPushButton;
class QSlider;
class UserPrompt;
class QTimer;

namespace media {
class MidiOut;
}

class RingtonePlayerWindow : public QDialog {
    Q_OBJECT
public:
    // Gives the output the window plays on, already open; a null result
    // plays silently.
    using MidiOutFactory = std::function<std::unique_ptr<media::MidiOut>()>;

    // The output is opened here and given program 70 at full level on both
    // channels. An empty factory: the one set with setMidiOutFactory, else
    // media::openMidiOut().
    explicit RingtonePlayerWindow(const QString& content, MidiOutFactory factory = {}, QWidget* parent = nullptr);
    ~RingtonePlayerWindow() override;

    // The output every later window gets from an empty factory; an empty
    // one restores media::openMidiOut().
    static void setMidiOutFactory(MidiOutFactory factory);

    // The buttons and the timer's tick.
    void play();
    void pause();
    void stop();
    void tick();

    media::RingtonePlayerCore::State state() const { return core_.state(); }
    int position() const { return core_.position(); }
    int noteCount() const { return core_.noteCount(); }
    int tempo() const { return core_.tempo(); }
    // The content as it was when the window opened.
    QString content() const { return content_; }
    // Whether the output is still held (released at close).
    bool holdsOutput() const { return bool(out_); }
    // Why the output plays nothing ("" when it sounds).
    QString silentReason() const;

    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdExit = nullptr;
    QSlider* Slider1 = nullptr;
    // The note timer (precise, single-shot, started again for each note)
    // and the one-shot start 100 ms after opening.
    QTimer* timMidi = nullptr;
    QTimer* Timer1 = nullptr;

    static constexpr int kStartDelayMs = 100;

public slots:
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void send(const QList<media::MidiAction>& actions);
    void showState();
    void release();

    const QString content_;
    std::unique_ptr<media::MidiOut> out_;
    media::RingtonePlayerCore core_;
};

// Opens the player for stored ringtone content over the program's main
// window (the outermost window of parent): any player open is closed
// first, so one plays at a time. The window deletes itself when closed.
// When there is no sound output the prompt says that the tune plays
// without sound.
RingtonePlayerWindow* openPlayer(const QString& content, QWidget* parent, UserPrompt& prompt);
