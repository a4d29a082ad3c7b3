#pragma once
// The engine's shared state: request flags, modem state, counters and the
// settings read at load. One object, owned by the application, so that the
// activity cycle can be driven in tests without the main window.
#include <QDateTime>
#include <QString>

struct EngineState {
    // Request flags: raised anywhere, cleared by the activity cycle.
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
    bool bOutboxChanged = false;

    // Modem state.
    bool bModemConnected = false;
    bool bGotCMT = false;
    bool bCancelled = false;
    bool bModemInitOK = false;
    bool bSIMReady = false;
    int sngModemMake = 2;          // modem family from AT+CGMI (3: "+CPIN: " is not final)
    int iGotCMTFailures = 0;       // failed acknowledgements in a row

    // The cycle.
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

    // SIM entry carried by an edit or add request.
    int iSIMRecIndex = 0;
    QString sSIMRecName;
    QString sSIMRecNumber;
    int iSIMMaxNameLen = 0;
    int iSIMMaxNumberLen = 0;

    // Inbox and main-window state used by the engine.
    int iNewSMS = 0;
    bool bNewMsgAlert = false;
    QString sCurrentFolder = QStringLiteral("Inbox");

    // Settings read at load (rewritten by the setting forms).
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
