-- Says what this database is, so that the main menu can tell a sample from a
-- database built from the official files (build-db writes the same table).
CREATE TABLE BUILDINFO (KEY VARCHAR(40) COLLATE NOCASE, VALUE TEXT COLLATE NOCASE);
INSERT INTO BUILDINFO (KEY, VALUE) VALUES ('source', 'sample');
