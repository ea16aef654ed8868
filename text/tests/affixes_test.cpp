#include "text/affixes.h"

#include <gtest/gtest.h>

using namespace text;
using V = std::vector<std::string>;

TEST(StripCommonAffixes, findsSharedEndingsInCharacters) {
    auto r = StripCommonAffixes(
        {"肝系病類", "心系病類", "脾系病類", "肺系病類", "腎系病類", "其他特指的臟腑系統病類"});
    EXPECT_EQ(r.prefixLength, 0);
    EXPECT_EQ(r.suffixLength, 2);
    EXPECT_EQ(r.distinct, (V{"肝系", "心系", "脾系", "肺系", "腎系", "其他特指的臟腑系統"}));
}

TEST(StripCommonAffixes, edgeCases) {
    auto one = StripCommonAffixes({"頭痛"});
    EXPECT_EQ(one.prefixLength, 0);
    EXPECT_EQ(one.suffixLength, 0);
    EXPECT_EQ(one.distinct, V{"頭痛"});
    auto same = StripCommonAffixes({"頭痛", "頭痛", "頭痛"});
    EXPECT_EQ(same.prefixLength, 2);
    EXPECT_EQ(same.suffixLength, 2);
    EXPECT_EQ(same.distinct, (V{"", "", ""}));
    auto begin = StripCommonAffixes({"頭", "頭痛", "頭暈"});
    EXPECT_EQ(begin.prefixLength, 1);
    EXPECT_EQ(begin.distinct, (V{"", "痛", "暈"}));
    auto none = StripCommonAffixes({});
    EXPECT_TRUE(none.distinct.empty());
    auto mixed = StripCommonAffixes({"左膝扭傷", "右膝扭傷"});
    EXPECT_EQ(mixed.prefixLength, 0);
    EXPECT_EQ(mixed.suffixLength, 3);
    EXPECT_EQ(mixed.distinct, (V{"左", "右"}));
}
