-- Sample ICD-10-CM rows (team-written names).
INSERT INTO ICD10 VALUES ('A00','霍亂','Cholera','N','','');
INSERT INTO ICD10 VALUES ('A000','霍亂弧菌01血清型霍亂生物型所致的霍亂','Cholera due to Vibrio cholerae 01, biovar cholerae','Y','','');
