// How the names index reads a statement's condition and answers it: the
// examples of sqltokens.h, namescondition.h and namesanswer.h, the answers
// checked against the engine's own.
#include "db/namesanswer.h"
#include "db/namescondition.h"
#include "db/sqltokens.h"
#include "dbfixture.h"

using db::detail::ConditionNode;
using db::detail::Token;
using db::detail::TokenKind;

namespace {

// The tokens as "Kind:value" words.
std::string Tokens(std::string_view sql) {
    std::vector<Token> tokens;
    if (!db::detail::Tokenize(sql, tokens)) return "refused";
    static const char* const kinds[] = {"Word", "QuotedWord", "String", "Number", "Symbol"};
    std::string out;
    for (const Token& t : tokens) {
        out += out.empty() ? "" : " ";
        out += std::string(kinds[static_cast<int>(t.kind)]) + ":" + t.value;
    }
    return out;
}

// A condition tree as text: a name condition with its column and pattern, an
// atom on the key, any other atom with its bytes of the statement.
std::string Shown(const ConditionNode& node, std::string_view sql) {
    switch (node.type) {
    case ConditionNode::Atom:
        if (node.column) return node.column->name + (node.negated ? " NOT LIKE " : " LIKE ") + node.pattern;
        return std::string(node.onKey ? "key " : "engine ") +
               std::string(sql.substr(node.begin, node.end - node.begin));
    case ConditionNode::Not:
        return "Not[" + Shown(node.children.front(), sql) + "]";
    default: {
        std::string out = node.type == ConditionNode::And ? "And[" : "Or[";
        for (std::size_t i = 0; i < node.children.size(); ++i)
            out += (i ? ", " : "") + Shown(node.children[i], sql);
        return out + "]";
    }
    }
}

bool Parse(const std::string& sql, const db::NamesTable& table, ConditionNode& out) {
    std::vector<Token> tokens;
    return db::detail::Tokenize(sql, tokens) &&
           db::detail::ParseCondition(tokens, 0, tokens.size(), table, out);
}

std::string Tree(const std::string& sql, const db::NamesTable& table) {
    ConditionNode node;
    return Parse(sql, table, node) ? Shown(node, sql) : "refused";
}

} // namespace

TEST(NamesTokens, headerExamples) {
    EXPECT_EQ(Tokens("SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%it''s%'"),
              "Word:SELECT Word:ICD10_NO Word:FROM Word:ICD10 Word:WHERE Word:ICD10_CNAME Word:LIKE "
              "String:%it's%");
    EXPECT_EQ(Tokens("\"ICD10_NO\" >= 'C60'"), "QuotedWord:ICD10_NO Symbol:>= String:C60");
    EXPECT_EQ(Tokens("len(ICD10_NO)=3"), "Word:len Symbol:( Word:ICD10_NO Symbol:) Symbol:= Number:");
    EXPECT_EQ(Tokens("''"), "String:");
    for (const char* refused : {"a -- note", "a /* note */", "a = ?1", "a = :name", "a = @v", "x'00'", "[a]",
                                "a; b", "'open", "\"open"})
        EXPECT_EQ(Tokens(refused), "refused") << refused;
    EXPECT_EQ(Tokens(std::string_view("a\0b", 3)), "refused");
    EXPECT_EQ(Tokens(std::string_view("'a\0b'", 5)), "refused");
}

TEST(NamesCondition, headerExamples) {
    db::NamesTable table;
    table.name = "ICD10";
    table.orderColumn = "ICD10_NO";
    table.columns.resize(2);
    table.columns[0].name = "ICD10_NO";
    table.columns[1].name = "ICD10_CNAME";
    EXPECT_EQ(Tree("(ICD10_CNAME LIKE '%扭傷%') AND (ICD10_FLAG='Y')", table),
              "And[ICD10_CNAME LIKE %扭傷%, engine (ICD10_FLAG='Y')]");
    EXPECT_EQ(Tree("NOT (ICD10_CNAME NOT LIKE '%左%' OR ICD10_NO IN ('A00'))", table),
              "Not[Or[ICD10_CNAME NOT LIKE %左%, key ICD10_NO IN ('A00')]]");
    EXPECT_EQ(Tree("ICD10_ENAME LIKE 'a'", table), "engine ICD10_ENAME LIKE 'a'");
    EXPECT_EQ(Tree("ICD10_CNAME LIKE '%a%' ESCAPE '!'", table), "engine ICD10_CNAME LIKE '%a%' ESCAPE '!'");
    // Names in any case or quoted; AND binds before OR; NOT of NOT.
    EXPECT_EQ(Tree("icd10_cname like 'x' OR \"ICD10_NO\" >= 'C60' AND NOT NOT icd10_no like 'C%'", table),
              "Or[ICD10_CNAME LIKE x, And[key \"ICD10_NO\" >= 'C60', Not[Not[ICD10_NO LIKE C%]]]]");
    for (const char* refused :
         {"ICD10_NO BETWEEN 'A' AND 'B'", "CASE WHEN 1 THEN 1 END", "EXISTS (SELECT 1)",
          "ICD10_NO IN (SELECT ICD10_NO FROM CM)", "(ICD10_NO", "ICD10_NO)", "(a) = 1", "", "a AND", "NOT"})
        EXPECT_EQ(Tree(refused, table), "refused") << refused;
}

class NamesAnswerTest : public CodeDbTest {};

// Each example's true and false rows, and the engine's for the same condition
// (true: WHERE c; false: WHERE NOT (c)).
TEST_F(NamesAnswerTest, headerExamples_answerAsTheEngineDoes) {
    conn.exec(
        "INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME) VALUES ('A00', '霍亂'), ('A01', NULL), ('A02', '傷寒')");
    const auto index =
        db::NamesIndex::Build(conn.handle(), {{"ICD10", "ICD10_NO", {"ICD10_NO", "ICD10_CNAME"}}});
    const db::NamesTable& table = *index->table("ICD10");
    using Rows = std::vector<std::uint32_t>;
    auto engine = [&](const std::string& where) {
        Rows out;
        for (const std::string& n :
             codes("SELECT n - 1 FROM (SELECT ROW_NUMBER() OVER (ORDER BY ICD10_NO) AS n, * "
                   "FROM ICD10) WHERE " +
                   where + " ORDER BY n"))
            out.push_back(static_cast<std::uint32_t>(std::stoul(n)));
        return out;
    };
    const struct {
        const char* condition;
        Rows isTrue, isFalse;
    } examples[] = {
        {"ICD10_CNAME LIKE '%霍%'", {0}, {2}},
        {"ICD10_CNAME NOT LIKE '%霍%'", {2}, {0}},
        {"NOT (ICD10_CNAME LIKE '%霍%')", {2}, {0}},
        {"ICD10_CNAME LIKE '%霍%' OR ICD10_CNAME NOT LIKE '%寒%'", {0}, {2}},
        {"ICD10_CNAME LIKE '%霍%' AND ICD10_NO LIKE 'a0%'", {0}, {2}},
        {"ICD10_CNAME LIKE '%' OR ICD10_NO LIKE 'A01'", {0, 1, 2}, {}},
    };
    for (const auto& e : examples) {
        ConditionNode node;
        ASSERT_TRUE(Parse(e.condition, table, node)) << e.condition;
        ASSERT_TRUE(db::detail::Answerable(node)) << e.condition;
        const db::detail::Answer answer = db::detail::Evaluate(node, table, 0, table.rows());
        EXPECT_EQ(answer.isTrue.positions(), e.isTrue) << e.condition;
        EXPECT_EQ(answer.isFalse.positions(), e.isFalse) << e.condition;
        EXPECT_EQ(e.isTrue, engine(e.condition)) << e.condition;
        EXPECT_EQ(e.isFalse, engine(std::string("NOT (") + e.condition + ")")) << e.condition;
    }
    // A block of the rows: bit i stands for row first + i.
    ConditionNode node;
    ASSERT_TRUE(Parse("ICD10_CNAME LIKE '%寒%'", table, node));
    EXPECT_EQ(db::detail::Evaluate(node, table, 1, 3).isTrue.positions(), Rows{1});
    db::detail::RowList list;
    list.table = &table;
    list.conditions = {node};
    Rows found;
    list.find(1, 3, found);
    EXPECT_EQ(found, Rows{2});
    // An atom the index cannot answer makes the whole condition the engine's.
    ASSERT_TRUE(Parse("ICD10_CNAME LIKE '%霍%' OR ICD10_FLAG = 'Y'", table, node));
    EXPECT_FALSE(db::detail::Answerable(node));
    ASSERT_TRUE(Parse("NOT (ICD10_CNAME LIKE '%\xE9%')", table, node));
    EXPECT_FALSE(db::detail::Answerable(node));
}
