-- Schema version 2: what reception has already kept. One row per received
-- message or part that was stored in tbinqueue or tbintemp, written in the
-- same transaction: a message the network delivers again (it was not
-- acknowledged before the program stopped) or that the receive journal
-- replays a second time is then kept once. Rows older than a week are
-- dropped.
CREATE TABLE IF NOT EXISTS tbindigest (
    digest   TEXT NOT NULL PRIMARY KEY,
    received TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))
);
CREATE INDEX IF NOT EXISTS ix_indigest_received ON tbindigest (received);
