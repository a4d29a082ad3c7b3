-- Velquarin message database, schema version 1.
-- Applied once, when the database file is created; the program never alters
-- these tables afterwards. Later versions add tables through the scripts
-- upgrade-N.sql (N the version they lead to), applied in order when the file
-- is opened. Dates are text 'yyyy-mm-dd hh:mm:ss' in local time.
PRAGMA user_version = 1;

BEGIN;

-- Received messages (the Inbox and its folders) and pending remote requests.
CREATE TABLE tbinqueue (
    msgcode      INTEGER UNIQUE,
    msgfrom      TEXT,
    msgcontent   TEXT,
    msgtype      INTEGER,
    msgreqtype   INTEGER,
    msgcreated   TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
    msgstatus    TEXT DEFAULT 'N',
    msgfolder    TEXT COLLATE NOCASE DEFAULT 'Inbox',
    msgresponded INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX ix_inqueue_folder ON tbinqueue (msgfolder, msgcreated);

-- Multi-part smart messages still being assembled, one row per sender.
CREATE TABLE tbintemp (
    msgfrom    TEXT,
    msgcontent TEXT,
    msgtype    INTEGER,
    msgreqtype INTEGER
);

-- The Outbox queue.
CREATE TABLE tboutqueue (
    msgcode    INTEGER UNIQUE,
    msgno      TEXT,
    msgtype    INTEGER,
    msgcontent TEXT,
    msgout     TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
    msgoutpri  INTEGER DEFAULT 9,
    msgcreated TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
    msgstatus  TEXT
);
CREATE INDEX ix_outqueue_due ON tboutqueue (msgout, msgcode);

-- Sent Items.
CREATE TABLE tboutlog (
    msgcode    INTEGER UNIQUE,
    msgno      TEXT,
    msgtype    INTEGER,
    msgcontent TEXT,
    msgout     TEXT,
    msgoutpri  INTEGER,
    msgcreated TEXT,
    msgstatus  TEXT,
    logcreated TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
    msgfolder  TEXT COLLATE NOCASE DEFAULT 'SentItems'
);
CREATE INDEX ix_outlog_folder ON tboutlog (msgfolder, msgout);

-- Messages handed in by another program (plain text, merge codes allowed).
CREATE TABLE tbouttemp (
    msgcode    INTEGER PRIMARY KEY,
    msgno      TEXT,
    msgcontent TEXT,
    msgout     TEXT
);

-- The address book.
CREATE TABLE tbaddrs (
    addrslt    TEXT,
    addrnam1   TEXT,
    addrnam2   TEXT,
    addrno     TEXT NOT NULL PRIMARY KEY,
    addreml    TEXT,
    addrstaddr TEXT,
    addrpcd    TEXT,
    addrctn    TEXT,
    addrcte    TEXT,
    addrfax    TEXT,
    addrco     TEXT,
    addrdpt    TEXT,
    addrttl    TEXT,
    addrrem    TEXT,
    addrf1     TEXT,
    addrf2     TEXT,
    addrf3     TEXT
);

CREATE TABLE tbgrps (
    grpnam TEXT COLLATE NOCASE NOT NULL PRIMARY KEY
);

CREATE TABLE tbaddrgrps (
    grpnam TEXT COLLATE NOCASE,
    addrno TEXT,
    UNIQUE (grpnam, addrno)
);

-- User folders: "Inbox" or "SentItems" followed by the folder name.
CREATE TABLE tbinbox (
    key TEXT COLLATE NOCASE UNIQUE
);
CREATE TABLE tbsentitems (
    key TEXT COLLATE NOCASE UNIQUE
);

CREATE TABLE tbcannedmsg (
    canttl TEXT COLLATE NOCASE,
    canmsg TEXT
);

-- HTTP allow list: four octets, 0 meaning "any" from that octet on, and the
-- end of a range of the last octet.
CREATE TABLE tbipallowed (
    IP11 INTEGER NOT NULL DEFAULT 0,
    IP21 INTEGER NOT NULL DEFAULT 0,
    IP31 INTEGER NOT NULL DEFAULT 0,
    IP41 INTEGER NOT NULL DEFAULT 0,
    IP42 INTEGER NOT NULL DEFAULT 0,
    UNIQUE (IP11, IP21, IP31, IP41, IP42)
);

-- Operator codes (country, operator, MCC and MNC); shipped rows only.
CREATE TABLE tboperators (
    opctry TEXT,
    opco   TEXT,
    opcode TEXT
);

-- The last code given out for tboutqueue, tbinqueue and tboutlog.
CREATE TABLE tbnumbers (
    msgcode INTEGER,
    incode  INTEGER,
    outcode INTEGER
);
INSERT INTO tbnumbers (msgcode, incode, outcode) VALUES (0, 0, 0);

-- User and administrator passwords; NULL means none.
CREATE TABLE tbsecurity (
    pwduser  TEXT,
    pwdadmin TEXT
);
INSERT INTO tbsecurity (pwduser, pwdadmin) VALUES (NULL, NULL);

COMMIT;
