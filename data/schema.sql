-- Schema of the code database (icd10_2023.mdb in SQLite form).
-- Text columns compare case-insensitively, as the Jet engine's do, and the
-- indexes use the same collation so that LIKE 'X%' and range terms use them.
--
-- Every table and column comes from the clinic's Jet file, with its name and
-- declared type, so that the windows read a converted clinic file and a built
-- database alike. Each column is described above its CREATE statement, never
-- inside it: SQLite keeps a CREATE statement's text in the file, and comments
-- there would change every database made from this schema. Comments carry no
-- semicolon, since tests take this file up to its first one (the ICD10 table).

-- ICD10: one row per code of ICD-10-CM 2023, every category and subdivision
-- from 3 characters up (codes deleted in 2023 kept, marked), and in the same
-- columns the codes of ICD-11 chapter 26, traditional medicine: the groups SA0
-- to SJ1 and the codes below them.
--   ICD10_NO        the code without its dot, upper case: A000 for A00.0,
--                   S93401A for S93.401A, SB060 for SB06.0. Its length is its
--                   level: 3 characters a category, 4 to 7 the subdivisions.
--                   Unique.
--   ICD10_CNAME     the Chinese name, up to 255 bytes (Big5 in a Jet file,
--                   UTF-8 here). The 2023 mark (2023新增 and the like) is not
--                   part of it: the windows add it from the two flags below.
--                   The name of a code whose 7th character is the episode of
--                   care ends in 初期照護, 後續照護 or 後遺症 (A, D, S).
--   ICD10_ENAME     the English name, up to 255 characters.
--   ICD10_FLAG      "Y" for a finest (billable) code, "N" for a header. Only an
--                   exact "Y" counts as finest.
--   ICD10_2023FLAG  the 2023 change: "D" deleted in the 2023 edition, "X"
--                   disabled (billable before, a header in 2023), "" neither.
--   ICD10_2023NEW   "Y" for a code new in the 2023 edition, "" otherwise.
-- The ranking builder (icdtool rank) later adds ICD10_RANKING VARCHAR(6):
-- "五百大" among the 500 most used codes, "一千大" among the 1000, or "".
CREATE TABLE ICD10 (
    ICD10_NO       VARCHAR(7)   COLLATE NOCASE NOT NULL,
    ICD10_CNAME    VARCHAR(255) COLLATE NOCASE,
    ICD10_ENAME    VARCHAR(255) COLLATE NOCASE,
    ICD10_FLAG     VARCHAR(1)   COLLATE NOCASE,
    ICD10_2023FLAG VARCHAR(1)   COLLATE NOCASE,
    ICD10_2023NEW  VARCHAR(1)   COLLATE NOCASE
);
CREATE UNIQUE INDEX ICD10_NO_IDX ON ICD10 (ICD10_NO COLLATE NOCASE);

-- CM: ICD-9-CM to ICD-10-CM, one row per pair (an ICD-9-CM code has as many
-- rows as codes it maps to).
--   ICD9_NO   the ICD-9-CM code, dotted: three characters (four for an E
--             code), a dot, the rest (724.2, V70.0, E880.9).
--   ICD10_NO  the ICD-10-CM code it maps to, dotted (M54.50). Its dot is
--             removed before it is compared with ICD10.ICD10_NO.
CREATE TABLE CM (
    ICD9_NO  VARCHAR(10) COLLATE NOCASE,
    ICD10_NO VARCHAR(10) COLLATE NOCASE
);
CREATE INDEX CM_ICD9_IDX ON CM (ICD9_NO COLLATE NOCASE);
CREATE INDEX CM_ICD10_IDX ON CM (ICD10_NO COLLATE NOCASE);

-- ICD9: the ICD-9-CM codes and their two names, both searched word by word.
--   ICD9_NO     the code, dotted as CM.ICD9_NO (categories without the dot).
--   ICD9_NAME   the first name: Chinese from the NHI map, else the long
--               English title.
--   ICD9_NAME2  the second name: the English name from the NHI map, else the
--               short English title.
CREATE TABLE ICD9 (
    ICD9_NO    VARCHAR(10)  COLLATE NOCASE,
    ICD9_NAME  VARCHAR(255) COLLATE NOCASE,
    ICD9_NAME2 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX ICD9_NO_IDX ON ICD9 (ICD9_NO COLLATE NOCASE);

-- btbindn: the clinic's usage statistics, from which the ranking builder
-- fills ICD10_RANKING. The Jet file's table may hold more columns. These two
-- are the ones read.
--   IND_CODE         an ICD-9-CM code, dotted as CM.ICD9_NO (724.2).
--   IND_INFECT_CODE  its usage rank, five digits zero-padded: "00001" the
--                    most used. Ranks 00001 to 00500 give "五百大", 00501 to
--                    01000 "一千大".
CREATE TABLE btbindn (
    IND_CODE        VARCHAR(10) COLLATE NOCASE,
    IND_INFECT_CODE VARCHAR(5)  COLLATE NOCASE
);
CREATE INDEX BTBINDN_RANK_IDX ON btbindn (IND_INFECT_CODE COLLATE NOCASE);
