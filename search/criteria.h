#pragma once
// The search criteria, each described once: its caption, its items and the
// condition it adds to the statement. The statement builder adds the
// conditions in the order of the tables, the search window makes its controls'
// captions and radio items from them, and the statement fuzzer fills the
// criteria through them.
//
// A criterion's key names it; the search window's controls are named after it:
// a typed criterion "code" is the box codeEdit with the caption codeLabel, a
// choice criterion "sex" the radio group sexGroup. Where each control stands,
// and the order Tab takes through them, are the form's (search/searchwindow.ui).
//
//   ChoiceCriterionOf(&Criteria::side).items   => {"不分", "左側", "右側", "雙側"}
//   side 1 (左側)                              => (ICD10_CNAME LIKE '%左%')
//   side 1 with dominant 1 (左), the dominant
//   side's condition coming after the side's   => (ICD10_CNAME LIKE '%優勢側%' AND ICD10_CNAME NOT LIKE
//   '%非優勢側%')

#include <string>
#include <vector>

namespace db {
class Query;
}

namespace search {

// The criteria of one search. A choice's index starts at 0 ("不分"), which adds
// no condition.
struct Criteria {
    std::string icd10Code;        // ICD10碼
    std::string chineseName;      // ICD10中文名稱
    std::string englishName;      // ICD10英文名稱
    std::string icd9Code;         // ICD9碼
    std::string icd9Name;         // ICD9名稱
    int sex = 0;                  // 性別專用
    int side = 0;                 // 左右側位
    int episode = 0;              // 照護病程
    int bodyPart = 0;             // 身體部位
    int injury = 0;               // 傷病類別
    int finest = 0;               // 最細碼
    int dominant = 0;             // 慣用側
    int ranking = 0;              // 篩選排名
    bool rankingVisible = true;   // the ranking criterion is offered (the database has ICD10_RANKING)
    bool differences2023 = false; // "列出2023版本差異": the 2023 differences asked
};

// A criterion typed in a box.
struct TextCriterion {
    const char* key;             // "code": the window's codeEdit and codeLabel
    const char* caption;         // "ICD10碼"
    std::string Criteria::*text; // where the typed text is kept
    // The condition line of the typed text, "" when it adds none. It may look
    // codes up on the auxiliary query and throw as BuildStatement says.
    std::string (*condition)(const std::string& typed, db::Query& aux);
};

// A criterion chosen among items, one radio group.
struct ChoiceCriterion {
    const char* key;                // "sex": the window's sexGroup
    const char* caption;            // "性別專用"
    std::vector<std::string> items; // item captions, index 0 "不分" first
    int Criteria::*choice;          // where the chosen index is kept
    // The condition lines of the chosen item (1 to the last; item 0 and any
    // other index add nothing), which may depend on the other criteria; empty
    // when it adds none.
    std::vector<std::string> (*condition)(int item, const std::string& caption, const Criteria& criteria);
};

// In the order their conditions enter the statement.
const std::vector<TextCriterion>& TextCriteria();
const std::vector<ChoiceCriterion>& ChoiceCriteria();

// The row of a choice criterion (every choice member of Criteria has one).
const ChoiceCriterion& ChoiceCriterionOf(int Criteria::*choice);

} // namespace search
