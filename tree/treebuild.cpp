#include "tree/treebuild.h"

#include "codes/coderules.h"
#include "codes/decoration.h"
#include "codes/outlineblocks.h"
#include "codes/outlinetexts.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "text/affixes.h"
#include "text/text.h"

namespace tree {

CodeRange SplitCodeRange(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) return {std::string(text), {}};
    return {std::string(text.substr(0, dash)), text::Cp950Left(text.substr(dash + 1), 10)};
}

std::string DisplayKey(std::string_view editText) {
    const std::string s = text::Upper(text::Trim(editText));
    // Coders write the bounds of a range with dots too: each bound loses its
    // dot the way a single code does.
    const std::size_t dash = s.find('-');
    if (dash == std::string::npos) return codes::NormalizeICD10Code(s);
    return codes::NormalizeICD10Code(std::string_view(s).substr(0, dash)) + "-" +
           codes::NormalizeICD10Code(std::string_view(s).substr(dash + 1));
}

std::string ResultTreeStatement(const std::string& key, const std::string& typed) {
    if (!IsRangeKey(key)) {
        const std::string prefix = codes::NormalizeICD10Code(typed);
        return "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  " + db::SqlLiteral(prefix + "%") +
               " ORDER BY ICD10_NO";
    }
    const CodeRange range = SplitCodeRange(key);
    return "SELECT * FROM ICD10 WHERE ICD10_NO >=  " + db::SqlLiteral(range.lower) +
           " AND ICD10_NO<=" + db::SqlLiteral(range.upper + "ZZZZZ") + " ORDER BY ICD10_NO";
}

std::string SubtreeStatement(const std::string& code, std::size_t length) {
    return "SELECT * FROM ICD10 WHERE ICD10_NO LIKE " + db::SqlLiteral(code + "%") +
           " AND len(ICD10_NO)=" + std::to_string(length) + " ORDER BY ICD10_NO";
}

std::vector<std::string>& TreeOutlineLines() {
    static std::vector<std::string> lines;
    return lines;
}

std::string CodeNodeText(const db::Query& row) {
    return row.field("ICD10_NO") + " " + codes::DecorateRowName(row);
}

void SetCodeNames(Tree& tree, Node* node, const db::Query& row) {
    tree.setNames(node, row.field("ICD10_NO"), codes::DecorateRowName(row), row.field("ICD10_ENAME"));
}

namespace {

// One entry of the level stack: the node placed last at a depth and the
// length of its code.
struct LevelEntry {
    Node* node = nullptr;
    std::size_t length = 0; // bytes of the code
};

// "code name(decoration)" of the current row, read in place, into `text`.
void NodeText(std::string& text, std::string_view code, const db::Query& query, int name, int flag,
              int mark) {
    text.assign(code).append(" ").append(query.view(name));
    text.append(codes::Decoration(query.view(flag), query.view(mark)));
}

int ColumnOf(const db::Query& query, std::string_view name) {
    const int i = query.fieldIndex(name);
    if (i < 0) throw db::Error("找不到欄位: " + std::string(name));
    return i;
}

} // namespace

void BuildResultTree(Tree& tree, const std::string& key, const std::string& typed, db::Query& query,
                     const std::vector<std::string>& outlineLines) {
    tree.clear();
    query.close();
    query.setText(ResultTreeStatement(key, typed));
    query.open();

    // The stack grows as deep as the codes require; codes of 3 to 7 bytes need
    // six entries at most.
    std::vector<LevelEntry> stack(21);
    if (!IsRangeKey(key)) {
        const std::string code = query.eof() ? std::string() : query.field("ICD10_NO");
        const std::string text = query.eof() ? std::string(" ") : CodeNodeText(query);
        stack[0] = {tree.addTopLevel(text), text::Cp950Length(code)};
        if (!query.eof()) {
            SetCodeNames(tree, stack[0].node, query);
            query.next();
        }
    } else {
        for (const std::string& line : outlineLines) {
            if (line.find(key) != std::string::npos) {
                stack[0] = {tree.addTopLevel(" " + text::Trim(line)), 0};
                break;
            }
        }
    }

    // Both classifications share the code table, and the traditional-medicine
    // codes sort inside the injuries chapter (SA0 follows S99): a range of
    // ICD-10-CM codes leaves them out rather than mixing them into its tree.
    const bool icd10Range = IsRangeKey(key) && !codes::IsIcd11Code(SplitCodeRange(key).lower);
    // A block whose range takes in separate blocks in code order (C76-C80
    // holds C7A and C7B) shows only its own codes.
    const std::vector<std::string> separate =
        IsRangeKey(key) ? codes::SeparateBlocksInside(outlineLines, key) : std::vector<std::string>();
    std::size_t d = 0;
    // Columns by position, values read in place: a chapter has tens of thousands of rows.
    const int no = query.eof() ? 0 : ColumnOf(query, "ICD10_NO");
    const int name = query.eof() ? 0 : ColumnOf(query, "ICD10_CNAME");
    const int flag = query.eof() ? 0 : ColumnOf(query, "ICD10_2023FLAG");
    const int mark = query.eof() ? 0 : ColumnOf(query, "ICD10_2023NEW");
    const int english = query.eof() ? 0 : ColumnOf(query, "ICD10_ENAME");
    // The code and the decorated name are the two parts of the node's text.
    auto setNames = [&](Node* node, std::size_t blank) {
        tree.setNames(node, node->text.substr(0, blank), node->text.substr(blank + 1), query.view(english));
    };
    std::string text;
    for (; !query.eof(); query.next()) {
        const std::string_view code = query.view(no);
        if (icd10Range && codes::IsIcd11Code(code)) continue;
        if (!separate.empty() && codes::InAnyRange(code, separate)) continue;
        const std::size_t length = text::Cp950Length(code);
        NodeText(text, code, query, name, flag, mark);
        if (length > stack[d].length) {
            Node* node = tree.addChild(stack[d].node, text);
            setNames(node, code.size());
            ++d;
            if (d == stack.size()) stack.emplace_back();
            stack[d] = {node, length};
        } else {
            if (length < stack[d].length) {
                for (std::size_t e = d + 1; e-- > 0;) {
                    if (stack[e].length == length) {
                        d = e;
                        break;
                    }
                }
            }
            Node* node = tree.addSibling(stack[d].node, text);
            setNames(node, code.size());
            stack[d] = {node, length};
        }
    }

    // A range with no code and no outline line says so rather than leaving the
    // tree blank.
    if (IsRangeKey(key) && !tree.top()->hasChildren()) tree.addTopLevel(NoCodesInRangeText(key));
    if (tree.top()->hasChildren()) tree.top()->child(0)->expandAfterBuild = true;
}

std::string NoCodesInRangeText(const std::string& key) {
    return " " + key + ":此範圍查無代碼";
}

std::string OutlineRootText(bool icd11Mode) {
    return icd11Mode ? "ICD-11-CM" : "2023 ICD-10-CM";
}

void BuildOutlineTree(Tree& tree, bool icd11Mode, const std::vector<std::string>& lines) {
    tree.clear();
    Node* root = tree.addTopLevel(OutlineRootText(icd11Mode));
    Node* current = root;
    int level = 0;
    std::vector<Node*> stack(21, nullptr);
    stack[0] = root;

    // Copy first: the lines may be the shared list itself.
    std::vector<std::string> copy = lines;
    TreeOutlineLines() = std::move(copy);

    for (const std::string& line : TreeOutlineLines()) {
        const int n = static_cast<int>(codes::ParseOutlineLine(line).depth) + 1;
        if (static_cast<std::size_t>(n) >= stack.size())
            stack.resize(static_cast<std::size_t>(n) + 1, nullptr);
        Node* node;
        if (n > level) {
            node = tree.addChild(current, line);
            level = n;
        } else if (n == level) {
            node = tree.addSibling(current, line);
        } else {
            level = n;
            node = tree.addSibling(stack[static_cast<std::size_t>(n)], line);
        }
        stack[static_cast<std::size_t>(n)] = node;
        current = node;
    }
    root->expandAfterBuild = true;
}

void BuildOutlineTree(Tree& tree, bool icd11Mode) {
    BuildOutlineTree(tree, icd11Mode, codes::OutlineTextLines(icd11Mode));
}

Node* AddCodeSubtree(Tree& tree, Node* parent, const std::string& code, const std::string& name,
                     db::Connection& connection, const std::string& englishName) {
    Node* node = tree.addChild(parent, code + " " + name);
    tree.setNames(node, code, name, englishName);

    db::Query query(connection);
    const std::size_t length = text::Cp950Length(code);
    for (std::size_t extra = 1; extra <= 3; ++extra) {
        query.close();
        query.setText(SubtreeStatement(code, length + extra));
        query.open();
        if (!query.eof()) break;
    }

    std::vector<std::string> names;
    std::vector<std::string> codes;
    for (; !query.eof(); query.next()) {
        names.push_back(codes::DecorateRowName(query));
        codes.push_back(query.field("ICD10_NO"));
        AddCodeSubtree(tree, node, codes.back(), names.back(), connection, query.field("ICD10_ENAME"));
    }

    const text::AffixResult parts = text::StripCommonAffixes(names);
    for (std::size_t i = 0; i < codes.size(); ++i)
        tree.setText(node->child(static_cast<int>(i)), codes[i] + " " + parts.distinct[i]);
    return node;
}

void BuildSimplifiedTree(Tree& tree, const std::string& editText, db::Query& query,
                         db::Connection& connection) {
    tree.clear();
    query.close();
    const std::string code = codes::NormalizeICD10Code(editText);
    query.setText("SELECT * FROM ICD10 WHERE ICD10_NO = " + db::SqlLiteral(code) + " ");
    query.open();
    const std::string name = query.eof() ? std::string() : codes::DecorateRowName(query);
    const std::string english = query.eof() ? std::string() : query.field("ICD10_ENAME");
    AddCodeSubtree(tree, nullptr, code, name, connection, english);
}

} // namespace tree
