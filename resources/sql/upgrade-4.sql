-- Schema version 4: whether the modem confirmed the acknowledgement of a
-- kept message ("AT+CNMA" answered "OK"). The network delivers again only
-- what was not acknowledged: the same PDU is a redelivery while acked is 0,
-- and a new message (the same text from the same sender in the same second)
-- once it is 1. Rows from before this version count as not confirmed.
ALTER TABLE tbindigest ADD COLUMN acked INTEGER NOT NULL DEFAULT 0;
