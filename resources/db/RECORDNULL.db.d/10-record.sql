-- Operation log of one day; this empty copy replaces RECORD.db at each roll-over.
CREATE TABLE RECORD(recordtime TEXT, recordpassword TEXT, remarks TEXT);
