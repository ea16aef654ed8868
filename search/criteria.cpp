#include "search/criteria.h"

#include <algorithm>

#include "search/statement.h"

namespace search {

namespace {

using Lines = std::vector<std::string>;

Lines SexCondition(int item, const std::string&, const Criteria&) {
    return item == 1 ? MaleListLines() : FemaleListLines();
}

Lines SideCondition(int item, const std::string&, const Criteria&) {
    static const char* const lines[] = {"", "(ICD10_CNAME LIKE '%左%')", "(ICD10_CNAME LIKE '%右%')",
                                        "(ICD10_CNAME LIKE '%雙側%' OR ICD10_CNAME LIKE '%兩側%')"};
    return {lines[item]};
}

// The dominant side only adds a condition with the left or right side chosen.
Lines DominantCondition(int item, const std::string&, const Criteria& criteria) {
    std::string line = DominanceCondition(item, criteria.side);
    return line.empty() ? Lines{} : Lines{std::move(line)};
}

// The body-part and kind-of-injury captions are the words the Chinese name holds.
Lines NameHoldsCaption(int, const std::string& caption, const Criteria&) {
    return {"(ICD10_CNAME LIKE '%" + caption + "%')"};
}

Lines FinestCondition(int, const std::string&, const Criteria&) {
    return {"(ICD10_FLAG='Y')"};
}

Lines EpisodeLine(int item, const std::string&, const Criteria&) {
    return {EpisodeCondition(item)};
}

// A ranking criterion the window does not offer adds nothing.
Lines RankingCondition(int item, const std::string&, const Criteria& criteria) {
    if (!criteria.rankingVisible) return {};
    return {item == 1 ? "(ICD10_RANKING = '五百大')"
                      : "((ICD10_RANKING = '五百大') OR (ICD10_RANKING = '一千大'))"};
}

} // namespace

const std::vector<TextCriterion>& TextCriteria() {
    static const std::vector<TextCriterion> table = {
        {"code", "ICD10碼", &Criteria::icd10Code,
         [](const std::string& typed, db::Query&) { return CodePrefixCondition(typed); }},
        {"chineseName", "ICD10中文名稱", &Criteria::chineseName,
         [](const std::string& typed, db::Query&) { return WordCondition("ICD10_CNAME", typed); }},
        {"englishName", "ICD10英文名稱", &Criteria::englishName,
         [](const std::string& typed, db::Query&) { return WordCondition("ICD10_ENAME", typed); }},
        {"icd9Code", "ICD9碼", &Criteria::icd9Code, Icd9CodeCondition},
        {"icd9Name", "ICD9名稱", &Criteria::icd9Name, Icd9NameCondition},
    };
    return table;
}

const std::vector<ChoiceCriterion>& ChoiceCriteria() {
    static const std::vector<ChoiceCriterion> table = {
        {"sex", "性別專用", {"不分", "男", "女"}, &Criteria::sex, SexCondition},
        {"side", "左右側位", {"不分", "左側", "右側", "雙側"}, &Criteria::side, SideCondition},
        {"dominant", "慣用側", {"不分", "左", "右"}, &Criteria::dominant, DominantCondition},
        {"bodyPart",
         "身體部位",
         {"不分", "頭",   "臉", "耳", "眼", "唇", "鼻", "額", "頸",   "肩",   "手",   "指", "腕", "肘",
          "前臂", "上臂", "腋", "胸", "腹", "腰", "背", "臀", "軀幹", "小腿", "大腿", "膝", "足", "踝"},
         &Criteria::bodyPart,
         NameHoldsCaption},
        {"injury",
         "傷病類別",
         {"不分", "扭傷", "挫傷", "拉傷", "表淺損傷", "鈍傷", "擦傷", "骨折", "脫臼", "燙傷", "燒傷",
          "關節炎", "關節痛", "咬傷", "癱"},
         &Criteria::injury,
         NameHoldsCaption},
        {"finest", "最細碼", {"不分", "最細碼"}, &Criteria::finest, FinestCondition},
        {"episode", "照護病程", {"不分", "初期", "後續", "後遺症"}, &Criteria::episode, EpisodeLine},
        {"ranking", "篩選排名", {"不分", "五百大", "一千大"}, &Criteria::ranking, RankingCondition},
    };
    return table;
}

const ChoiceCriterion& ChoiceCriterionOf(int Criteria::*choice) {
    const auto& table = ChoiceCriteria();
    return *std::find_if(table.begin(), table.end(),
                         [choice](const ChoiceCriterion& c) { return c.choice == choice; });
}

} // namespace search
