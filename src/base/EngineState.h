#pragma once
// The engine's shared state in named groups: request flags, modem state,
// the cycle's counters, what the window shows, and the settings read at
// load. One EngineState object, owned by the application, holds them all,
// so that the activity cycle can be driven in tests without the main
// window; a class that needs one group takes only that group.
#include <QDateTime>
#include <QString>

// Request flags: raised anywhere, cleared by the activity cycle. The SIM
// entry carried by an edit or add request travels with them.
struct EngineRequests {
    bool bInitModemRequest = false;
    bool bResetModemRequest = false;
    bool bDetectModemRequest = false;
    bool bSIMReadRequest = false;
    bool bSIMClearRequest = false;
    bool bSIMEditRequest = false;
    bool bSIMAddRequest = false;
    bool bSIMDeleteRequest = false;
    bool bSIMExportRequest = false;
    bool bInboxProcessRequest = false;

    int iSIMRecIndex = 0;
    QString sSIMRecName;
    QString sSIMRecNumber;
};

struct ModemState {
    bool bModemConnected = false;
    bool bGotCMT = false;
    bool bCancelled = false;
    bool bModemInitOK = false;
    bool bSIMReady = false;
    int sngModemMake = 2;          // modem family from AT+CGMI (3: "+CPIN: " is not final)
    int iGotCMTFailures = 0;       // failed acknowledgements in a row
    int iSIMMaxNameLen = 0;
    int iSIMMaxNumberLen = 0;
};

struct CycleState {
    // Raised (with sngSendCount back to 1) by the Outbox queue for every row
    // it takes and by the cycle when the modem comes up; the sending step
    // sends while it is up and lowers it after a run of ten.
    bool bOutboxChanged = false;
    bool bActivityBusy = false;
    bool bClosePending = false;
    bool bOutboxPaused = true;
    int iSignalPollTicks = 0;
    int iRoutingPollTicks = 0;
    double sngSendCount = 0;
    QDateTime dtNextOutboxDue;
    int sngMsgReference = 0;       // last TP-MR used
    float sngOutboxFlag = 0;
    float sngInboxFlag = 0;
};

// What the main window shows, as far as the engine needs to know it.
struct ViewState {
    int iNewSMS = 0;
    bool bNewMsgAlert = false;
    QString sCurrentFolder = QStringLiteral("Inbox");
};

// Settings read at load (rewritten by the setting forms).
struct EngineSettings {
    QString sHaveModem;
    QString sAreaCode;
    QString sOpCode;
    int iStartHTTP = 0;
    int iHTTPPort = 8010;
    int iAutoRespond = 0;
    QString sAutoRespondText;
    QString sRemotePhoneNo;
    QString sAutoFwdGroup = QStringLiteral("None");
    QString sGroupSendGroup = QStringLiteral("None");
    int iAudibleAlert = 1;
};

struct EngineState : EngineRequests, ModemState, CycleState, ViewState, EngineSettings {
    EngineRequests& requests() { return *this; }
    ModemState& modem() { return *this; }
    CycleState& cycle() { return *this; }
    ViewState& view() { return *this; }
    EngineSettings& settings() { return *this; }
};
