// The ringtone player window against a recording MIDI output: what it
// sends at opening, at each tick and at each button, the timer's interval
// for each note, its states and slider, the release at close, one player
// at a time, and the detail pane's Play button. Ticks are called directly
// where intervals matter; the one test that lets the timers run checks
// only the order of what was sent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <memory>

#include "base/Database.h"
#include "base/Sound.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "media/RecordingMidiOut.h"
#include "media/ui/PlayerWiring.h"
#include "media/ui/RingtonePlayer.h"
#include "base/EngineState.h"
#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

using media::MidiOut;
using media::RecordingMidiOut;
using State = media::RingtonePlayerCore::State;

namespace {

// Passes everything on to a recording the test keeps after the window is
// gone.
class SharedOut final : public MidiOut {
public:
    explicit SharedOut(std::shared_ptr<RecordingMidiOut> r) : r_(std::move(r)) {}
    bool open() override { return r_->open(); }
    void shortMsg(quint8 s, quint8 a, quint8 b) override { r_->shortMsg(s, a, b); }
    void reset() override { r_->reset(); }
    void setVolume(double level) override { r_->setVolume(level); }
    void close() override { r_->close(); }

private:
    std::shared_ptr<RecordingMidiOut> r_;
};

RingtonePlayerWindow::MidiOutFactory recordingTo(const std::shared_ptr<RecordingMidiOut>& rec)
{
    return [rec]() -> std::unique_ptr<MidiOut> {
        auto out = std::make_unique<SharedOut>(rec);
        out->open();
        return out;
    };
}

QString storedRingtone(const QString& rtttl)
{
    const sms::RtttlEncoding e = sms::encodeRtttl(rtttl);
    EXPECT_TRUE(e.ok()) << rtttl.toStdString();
    return sms::ringtoneParts(e.hex);
}

// C in octave 6 (key 70 = 0x46), a rest (key 24 = 0x18), a dotted eighth E
// in octave 7 (key 86 = 0x56), at 140 beats per minute.
const QString kTune = storedRingtone("Tune:d=4,o=6,b=140:c,p,8e7.");

QStringList since(const RecordingMidiOut& rec, qsizetype from)
{
    return rec.log().mid(from);
}

struct Buttons {
    bool play, pause, stop;
    bool operator==(const Buttons&) const = default;
};
Buttons buttons(const RingtonePlayerWindow& w)
{
    return {w.cmdPlay->isEnabled(), w.cmdPause->isEnabled(), w.cmdStop->isEnabled()};
}
std::ostream& operator<<(std::ostream& os, const Buttons& b)
{
    return os << "play " << b.play << ", pause " << b.pause << ", stop " << b.stop;
}
const Buttons kStopped{true, false, false};
const Buttons kPlaying{false, true, true};
const Buttons kPaused{true, false, true};

QList<RingtonePlayerWindow*> openPlayers()
{
    QList<RingtonePlayerWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<RingtonePlayerWindow*>(w); p && p->isVisible())
            out << p;
    return out;
}

} // namespace

TEST(RingtoneWindow, OpeningSelectsTheProgramAtFullLevelAndArmsTheStart)
{
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow w(kTune, recordingTo(rec));
    EXPECT_EQ(w.objectName(), "frmRingtone");
    EXPECT_EQ(rec->log(), QStringList({"open", "C0 46", "volume 1"}));
    EXPECT_EQ(buttons(w), kStopped);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.Timer1->interval(), 100);
    EXPECT_TRUE(w.Timer1->isSingleShot());
    EXPECT_EQ(w.timMidi->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(w.timMidi->isActive());
    EXPECT_EQ(w.Slider1->maximum(), 3);
    EXPECT_EQ(w.Slider1->value(), 0);
    EXPECT_FALSE(w.Slider1->isEnabled()) << "the slider only shows the position";
    for (QPushButton* b : {w.cmdPlay, w.cmdPause, w.cmdStop, w.cmdExit})
        EXPECT_FALSE(b->text().isEmpty());
}

TEST(RingtoneWindow, EachTickEndsThePreviousEntryStartsTheNextAndSetsTheInterval)
{
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow w(kTune, recordingTo(rec));
    const qsizetype start = rec->log().size();

    w.play();
    EXPECT_FALSE(w.Timer1->isActive()) << "a Play before the start replaces it";
    EXPECT_TRUE(w.timMidi->isActive());
    EXPECT_EQ(w.timMidi->interval(), 0);
    EXPECT_EQ(buttons(w), kPlaying);
    EXPECT_EQ(w.tempo(), 140);

    struct Step {
        QStringList sent;
        int interval;
        int slider;
    };
    const QList<Step> steps{
        {{"90 46 78"}, 386, 1},
        {{"80 46 78"}, 386, 2},             // the rest sounds nothing
        {{"80 18 78", "90 56 78"}, 321, 3}, // 60/140 x 1200/8 x 5 = 321.4
    };
    for (const Step& s : steps) {
        const qsizetype before = rec->log().size();
        w.tick();
        EXPECT_EQ(since(*rec, before), s.sent);
        EXPECT_TRUE(w.timMidi->isActive());
        EXPECT_EQ(w.timMidi->interval(), s.interval);
        EXPECT_EQ(w.Slider1->value(), s.slider);
        EXPECT_EQ(buttons(w), kPlaying);
    }

    const qsizetype before = rec->log().size();
    w.tick();
    EXPECT_EQ(since(*rec, before), QStringList({"80 56 78", "reset"}));
    EXPECT_FALSE(w.timMidi->isActive());
    EXPECT_EQ(w.state(), State::Stopped);
    EXPECT_EQ(w.Slider1->value(), 0);
    EXPECT_EQ(buttons(w), kStopped);
    EXPECT_EQ(rec->log().size() - start, 6);
}

TEST(RingtoneWindow, PauseKeepsThePlaceStopReturnsToTheStart)
{
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow w(kTune, recordingTo(rec));
    w.play();
    w.tick();
    w.tick(); // the rest has started

    qsizetype before = rec->log().size();
    w.cmdPause->click();
    EXPECT_EQ(since(*rec, before), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(w.state(), State::Paused);
    EXPECT_EQ(buttons(w), kPaused);
    EXPECT_FALSE(w.timMidi->isActive());
    EXPECT_EQ(w.Slider1->value(), 2);

    w.cmdPlay->click();
    EXPECT_EQ(w.state(), State::Playing);
    EXPECT_EQ(w.timMidi->interval(), 386) << "the paused entry's time is waited out first";
    before = rec->log().size();
    w.tick();
    EXPECT_EQ(since(*rec, before), QStringList({"80 18 78", "90 56 78"})) << "goes on after the rest";

    before = rec->log().size();
    w.cmdStop->click();
    EXPECT_EQ(since(*rec, before), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(w.state(), State::Stopped);
    EXPECT_EQ(w.Slider1->value(), 0);
    EXPECT_EQ(buttons(w), kStopped);
    EXPECT_FALSE(w.timMidi->isActive());

    w.cmdPlay->click();
    before = rec->log().size();
    w.tick();
    EXPECT_EQ(since(*rec, before), QStringList({"90 46 78"})) << "after Stop the tune starts again";

    // Stop from paused.
    w.cmdPause->click();
    before = rec->log().size();
    w.cmdStop->click();
    EXPECT_EQ(since(*rec, before), QStringList({"B0 7B 00", "reset"}));
    EXPECT_EQ(buttons(w), kStopped);
}

TEST(RingtoneWindow, PlaysByItselfToTheEndOnItsTimers)
{
    // Thirty-second notes at 900 beats per minute, 8 ms each, in the
    // default octave (the player's scale 2).
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow w(storedRingtone("Fast:d=32,o=5,b=900:c,d,e,p,f"), recordingTo(rec));
    w.show();
    const auto ended = [&] { return rec->log().size() > 3 && rec->log().last() == "reset"; };
    ASSERT_TRUE(testenv::waitUntil(ended, 30000)) << rec->log().join(", ").toStdString();
    EXPECT_EQ(rec->log(), QStringList({"open", "C0 46", "volume 1",                       //
                                       "90 46 78", "80 46 78", "90 48 78", "80 48 78", // C, D
                                       "90 4A 78", "80 4A 78", "80 18 78",             // E, the rest
                                       "90 4B 78", "80 4B 78", "reset"}));             // F
    EXPECT_EQ(w.state(), State::Stopped);
    EXPECT_EQ(buttons(w), kStopped);
    EXPECT_EQ(w.Slider1->value(), 0);
    EXPECT_EQ(w.Slider1->maximum(), 5);
    EXPECT_FALSE(w.timMidi->isActive());
    EXPECT_FALSE(w.Timer1->isActive());
}

TEST(RingtoneWindow, ClosingInAnyWayReleasesTheOutput)
{
    const auto expectReleased = [](RingtonePlayerWindow& w, const RecordingMidiOut& rec, const char* how) {
        EXPECT_EQ(rec.log().mid(rec.log().size() - 2), QStringList({"reset", "close"})) << how;
        EXPECT_FALSE(w.holdsOutput()) << how;
        EXPECT_FALSE(w.timMidi->isActive()) << how;
        EXPECT_FALSE(w.Timer1->isActive()) << how;
        EXPECT_EQ(buttons(w), (Buttons{false, false, false})) << how;
        // Nothing reaches the output any more.
        const qsizetype size = rec.log().size();
        w.play();
        w.tick();
        w.stop();
        EXPECT_EQ(rec.log().size(), size) << how;
    };

    {
        auto rec = std::make_shared<RecordingMidiOut>();
        RingtonePlayerWindow w(kTune, recordingTo(rec));
        w.show();
        w.play();
        w.tick();
        w.cmdExit->click();
        EXPECT_FALSE(w.isVisible());
        expectReleased(w, *rec, "Exit while playing");
    }
    {
        auto rec = std::make_shared<RecordingMidiOut>();
        RingtonePlayerWindow w(kTune, recordingTo(rec));
        w.show();
        w.play();
        w.tick();
        w.pause();
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
        expectReleased(w, *rec, "Escape while paused");
    }
    {
        auto rec = std::make_shared<RecordingMidiOut>();
        {
            RingtonePlayerWindow w(kTune, recordingTo(rec));
            w.play();
            w.tick();
        }
        EXPECT_EQ(rec->log().mid(rec->log().size() - 2), QStringList({"reset", "close"})) << "destroyed";
    }
}

TEST(RingtoneWindow, WithoutAnOutputItRunsSilently)
{
    RingtonePlayerWindow w(kTune, [] { return std::unique_ptr<MidiOut>(); });
    EXPECT_TRUE(w.holdsOutput());
    EXPECT_FALSE(w.silentReason().isEmpty());
    w.play();
    for (int i = 0; i < 4; ++i)
        w.tick();
    EXPECT_EQ(w.state(), State::Stopped);
    EXPECT_EQ(buttons(w), kStopped);
}

TEST(RingtoneWindow, APlayerWithoutSoundSaysSo)
{
    ScriptedPrompt& prompt = testenv::prompt();
    prompt.reset();
    QWidget main;
    main.show();
    // No sound device: the player still opens and runs, and says why it
    // is not heard.
    RingtonePlayerWindow::setMidiOutFactory(
        [] { return std::make_unique<media::NullMidiOut>(QStringLiteral("No sound device could be opened")); });
    QPointer<RingtonePlayerWindow> silent = openPlayer(kTune, &main, prompt);
    ASSERT_TRUE(silent);
    EXPECT_TRUE(silent->isVisible());
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].title, "Error");
    EXPECT_EQ(prompt.shown()[0].text, "No sound device could be opened.\nThe ring tone plays without sound.");

    // An output that sounds: nothing to say.
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow::setMidiOutFactory(recordingTo(rec));
    QPointer<RingtonePlayerWindow> heard = openPlayer(kTune, &main, prompt);
    EXPECT_EQ(prompt.count(), 1);
    heard->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    RingtonePlayerWindow::setMidiOutFactory({});
}

TEST(RingtoneWindow, OnePlayerAtATimeOverTheMainWindow)
{
    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow::setMidiOutFactory(recordingTo(rec));
    QWidget main;
    main.resize(600, 400);
    main.show();
    auto* sendForm = new QDialog(&main);
    sendForm->show();

    QPointer<RingtonePlayerWindow> first = openPlayer(kTune, sendForm, testenv::prompt());
    ASSERT_TRUE(first);
    EXPECT_EQ(first->parentWidget(), &main) << "shown over the main window, not the opener";
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->content(), kTune);
    EXPECT_EQ(rec->log(), QStringList({"open", "C0 46", "volume 1"}));
    first->play();
    first->tick();

    const QString other = storedRingtone("Other:d=4,o=5,b=125:g");
    QPointer<RingtonePlayerWindow> second = openPlayer(other, &main, testenv::prompt());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first) << "the first player is gone";
    ASSERT_TRUE(second);
    EXPECT_EQ(openPlayers(), QList<RingtonePlayerWindow*>({second.data()}));
    EXPECT_EQ(rec->log().mid(3), QStringList({"90 46 78", "reset", "close", "open", "C0 46", "volume 1"}))
        << "the old output is let go before the new one opens";
    EXPECT_EQ(second->content(), other);

    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(second) << "a closed player deletes itself";
    RingtonePlayerWindow::setMidiOutFactory({});
}

// ---------------------------------------------------------- detail pane

namespace {

class TestApp : public AppCommands {
public:
    explicit TestApp(Database& db) : db_(db) {}
    Database& db() override { return db_; }
    EngineState& state() override { return st; }
    UserPrompt& prompt() override { return testenv::prompt(); }
    WindowServices& windows() override { return testenv::windows(); }
    SoundPlayer& sound() override { return sound_; }
    QString modemLog() override { return QString(); }
    void activateOutbox() override {}
    void detectModem() override {}
    void resetModem() override {}
    bool requestClose() override { return true; }
    void release() override {}
    EngineState st;

private:
    Database& db_;
    SilentSound sound_;
};

} // namespace

TEST(RingtoneWindow, TheDetailPanesPlayButtonPlaysTheRingtoneShown)
{
    testenv::prompt().reset();
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    const QString insert = "INSERT INTO tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, "
                           "msgstatus, msgfolder) VALUES (?,?,?,?,0,?,'O','Inbox')";
    ASSERT_TRUE(db.exec(insert, {1, "+111", "C8329BFD06", 1, "2024-01-02 10:00:00"}));
    ASSERT_TRUE(db.exec(insert, {2, "+222", kTune, 2, "2024-01-02 11:00:00"}));

    auto rec = std::make_shared<RecordingMidiOut>();
    RingtonePlayerWindow::setMidiOutFactory(recordingTo(rec));
    TestApp app(db);
    MainWindow window(app);
    window.populate();
    window.show();
    installRingtonePlayer(window, app);
    auto* play = window.messageText()->parentWidget()->findChild<QPushButton*>("cmdPlay");
    ASSERT_NE(play, nullptr);

    MessageListModel* model = window.messageModel();
    const auto showCode = [&](qint64 code) {
        window.messageList()->setCurrentIndex(model->index(model->rowOfCode(code), 0));
    };
    QString content;
    showCode(1);
    EXPECT_FALSE(shownRingtoneContent(window, app, &content)) << "a text message";
    EXPECT_FALSE(play->isVisible());

    showCode(2);
    ASSERT_TRUE(play->isVisible());
    play->click();
    const QList<RingtonePlayerWindow*> players = openPlayers();
    ASSERT_EQ(players.size(), 1);
    EXPECT_EQ(players.first()->content(), kTune);
    EXPECT_EQ(players.first()->parentWidget(), &window);
    EXPECT_EQ(rec->log(), QStringList({"open", "C0 46", "volume 1"}));

    // Play again: the open player makes way for a new one.
    QPointer<RingtonePlayerWindow> first = players.first();
    play->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    ASSERT_EQ(openPlayers().size(), 1);
    EXPECT_EQ(rec->log().mid(3), QStringList({"reset", "close", "open", "C0 46", "volume 1"}));
    EXPECT_EQ(testenv::prompt().count(), 0);

    for (RingtonePlayerWindow* p : openPlayers())
        p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    RingtonePlayerWindow::setMidiOutFactory({});
}
