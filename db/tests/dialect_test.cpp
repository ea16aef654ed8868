#include "dbfixture.h"

using V = std::vector<std::string>;

TEST_F(CodeDbTest, lenCountsCharactersNotBytes) {
    addCode("A000", "霍亂");
    EXPECT_EQ(codes("SELECT LEN(ICD10_CNAME) FROM ICD10"), V{"2"});
    EXPECT_EQ(codes("SELECT len(ICD10_NO) FROM ICD10"), V{"4"});
    EXPECT_EQ(codes("SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'A%' AND LEN(ICD10_NO)=4 ORDER BY ICD10_NO"),
              V{"A000"});
}

TEST_F(CodeDbTest, comparisonAndLikeIgnoreCase) {
    addCode("S93401A", "左踝扭傷，初期照護");
    addCode("S934", "踝扭傷");
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO LIKE 's93%' ORDER BY ICD10_NO"),
              (V{"S934", "S93401A"}));
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO = 's934'"), V{"S934"});
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_ENAME LIKE '%ENGLISH%' AND ICD10_NO LIKE '%a'"),
              V{"S93401A"});
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%初期照護' AND ICD10_NO LIKE '%A'"),
              V{"S93401A"});
}

TEST_F(CodeDbTest, zzzzzUpperBoundTakesEverySubdivisionOfTheCategory) {
    for (auto c : {"C59", "C60", "C600", "C61", "C63", "C631", "C6311", "C64"})
        addCode(c, "x");
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE (ICD10_NO >= 'C60' AND ICD10_NO <= 'C63ZZZZZ') ORDER "
                    "BY ICD10_NO"),
              (V{"C60", "C600", "C61", "C63", "C631", "C6311"}));
    // Without the suffix, the subdivisions of the upper category fall outside.
    EXPECT_EQ(
        codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO >= 'C60' AND ICD10_NO<='C63' ORDER BY ICD10_NO"),
        (V{"C60", "C600", "C61", "C63"}));
    // Digits sort before letters: C4A follows C49 and precedes C50.
    addCode("C4A", "x");
    addCode("C49", "x");
    addCode("C50", "x");
    EXPECT_EQ(
        codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO >= 'C45' AND ICD10_NO<='C4A' AND LEN(ICD10_NO)=3"),
        (V{"C49", "C4A"}));
}

TEST_F(CodeDbTest, emptyTextColumnComparesEqualToEmptyLiteral) {
    addCode("A000", "x", "Y", "", "");
    addCode("A001", "x", "Y", "D", "");
    conn.exec("INSERT INTO ICD10 (ICD10_NO, ICD10_2023NEW) VALUES ('A002', 'Y')");
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ((ICD10_2023FLAG<>'') OR (ICD10_2023NEW<>'')) ORDER BY "
                    "ICD10_NO"),
              (V{"A001", "A002"}));
}
