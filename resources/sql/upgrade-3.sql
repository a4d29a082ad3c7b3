-- Schema version 3: when a waiting part of a multi-part message arrived.
-- A part is acknowledged once it is kept here, so the start-up tidy no
-- longer empties the table: it drops only parts that waited more than a
-- week for the rest of their message (and parts from before this version,
-- which carry no time).
ALTER TABLE tbintemp ADD COLUMN msgreceived TEXT;
