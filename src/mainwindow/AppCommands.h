#pragma once
// What the main window may ask of the running program: the services it
// shows (database, engine state, prompt, window services, sound) and the commands of its
// menus. The application implements it; the window knows nothing else of it.
#include <QString>

class ActivityScheduler;
class Database;
class SoundPlayer;
class UserPrompt;
class WindowServices;
struct EngineState;

class AppCommands {
public:
    virtual ~AppCommands() = default;

    virtual Database& db() = 0;
    virtual EngineState& state() = 0;
    virtual UserPrompt& prompt() = 0;
    virtual WindowServices& windows() = 0;
    virtual SoundPlayer& sound() = 0;
    // The text exchanged with the modem since start (the newest part).
    virtual QString modemLog() = 0;

    // System menu.
    virtual void activateOutbox() = 0;
    virtual void detectModem() = 0;
    virtual void resetModem() = 0;

    // The close request: true when the window may close now; false when it
    // was deferred because a cycle is running.
    virtual bool requestClose() = 0;
    // Releases what the program holds; safe to call twice.
    virtual void release() = 0;
};
