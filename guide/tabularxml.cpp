// The Tabular List XML into the guide: chapters, sections and codes with their
// titles, the instructional notes of each, the 7th-character tables, the
// visual impairment table and the introduction.
//
//   ICD10CM.tabular > introduction > introSection(type) > title, instruction > note
//   ICD10CM.tabular > chapter > name, desc, <notes>, sectionIndex, section(id) > desc, <notes>, diag
//   diag > name, desc, <notes>, sevenChrNote > note, sevenChrDef > extension(char) | note,
//          visualImpairment > visCategory > heading | value | visRange > ..., diag
// where <notes> is any of includes, inclusionTerm, excludes1, excludes2,
// codeFirst, useAdditionalCode, codeAlso, notes, each a list of <note>.
// Elements the guide does not use (sectionIndex) are passed over.
#include <set>
#include <vector>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/statement.h"
#include "guide/guidefile.h"
#include "guide/xmlstream.h"

namespace guide {

namespace {

using detail::Attribute;
using detail::Collapse;
using detail::XmlContentError;

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class TabularHandler : public detail::XmlHandler {
public:
    explicit TabularHandler(db::Connection& c)
        : m_node(c, "INSERT INTO node (id, kind, code, key, title, parent, depth, last) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, NULLIF(?6, ''), ?7, ?8)"),
          m_note(c, "INSERT INTO note (node, kind, block, seq, text) VALUES (?1, ?2, ?3, ?4, ?5)"),
          m_seventh(c, "INSERT INTO seventh (node, seq, character, text) VALUES (?1, ?2, ?3, ?4)"),
          m_intro(c, "INSERT INTO intro (section, type, title, text) VALUES (?1, ?2, ?3, ?4)"),
          m_info(c, "INSERT OR REPLACE INTO guide_info (key, value) VALUES (?1, ?2)") {}

    void start(std::string_view name, const char** attributes) override {
        const std::string parent = m_stack.empty() ? std::string() : m_stack.back();
        m_stack.emplace_back(name);
        if (m_stack.size() == 1) {
            if (name != "ICD10CM.tabular")
                throw XmlContentError("這不是 ICD-10-CM 類目表（Tabular List）XML：最外層元素是 <" +
                                      std::string(name) + ">，應為 <ICD10CM.tabular> (not the tabular XML)");
            return;
        }
        if (m_collecting) return; // inside a text element: its text is taken whole
        if (name == "chapter" && parent == "ICD10CM.tabular") {
            openNode("chapter", "");
        } else if (name == "section" && parent == "chapter") {
            const std::string id = Collapse(Attribute(attributes, "id"));
            if (id.empty()) throw XmlContentError("<section> 沒有 id 屬性 (a section has no id)");
            openNode("section", id);
        } else if (name == "diag" && (parent == "section" || parent == "diag")) {
            openNode("diag", "");
        } else if ((name == "name" || name == "desc") && IsNode(parent)) { // NOLINT(bugprone-branch-clone)
            // A node's name and title are collected as a note's text is, below.
            collect();
        } else if (IsNode(parent) && (NoteKindOf(name) || name == "sevenChrNote")) {
            openBlock(std::string(name));
        } else if (name == "note" &&
                   (NoteKindOf(parent) || parent == "sevenChrNote" || parent == "instruction")) {
            collect();
        } else if (name == "sevenChrDef" && parent == "diag") {
            m_seventhSeq = 0;
            m_seventhNode = requireNamed();
            m_seventhDepth = m_stack.size();
        } else if ((name == "extension" || name == "note") && parent == "sevenChrDef" &&
                   m_seventhDepth == m_stack.size() - 1) {
            m_character = name == "note" ? std::string() : std::string(Attribute(attributes, "char"));
            if (name == "extension" &&
                (m_character.size() != 1 || !(IsUpper(m_character[0]) || IsDigit(m_character[0]))))
                throw XmlContentError(
                    "7th-character 的 <extension> 的 char 屬性應為一個英文字母或數字，卻是「" + m_character +
                    "」(the char attribute must be one letter or digit)");
            collect();
        } else if (name == "visCategory" && parent == "visualImpairment") {
            m_row.clear();
        } else if ((name == "heading" || name == "value") && m_inVisual) {
            collect();
        } else if (name == "introSection" && parent == "introduction") {
            ++m_introSection;
            m_introType = Collapse(Attribute(attributes, "type"));
            m_introTitle.clear();
        } else if (name == "title" && parent == "introSection") {
            collect();
        } else if (name == "version" && parent == "ICD10CM.tabular") {
            collect();
        }
    }

    void text(std::string_view piece) override {
        if (m_collecting) m_text.append(piece);
    }

    void end(std::string_view name) override {
        const std::size_t depth = m_stack.size();
        m_stack.pop_back();
        if (m_collecting) {
            if (depth != m_collectDepth) return;
            m_collecting = false;
            finishText(name, Collapse(m_text));
            return;
        }
        if (name == "chapter" || name == "section" || name == "diag") {
            if (!m_nodes.empty() && depth == m_nodes.back().elementDepth) closeNode();
        } else if (name == "sevenChrDef" && depth == m_seventhDepth) {
            m_seventhDepth = 0;
        } else if (name == "visCategory" && m_inVisual) {
            std::string row;
            for (const std::string& piece : m_row)
                row += (row.empty() ? "" : " | ") + piece;
            if (!row.empty()) addNote(row);
        } else if (m_block.depth == depth) {
            m_block = {};
            m_inVisual = false;
        }
    }

    void finish() override {
        if (!m_nodes.empty())
            throw XmlContentError("<" + m_nodes.back().kind + "> 沒有結束 (an element is not closed)");
        if (m_nextId == 1) throw XmlContentError("檔案中沒有任何章節或代碼 (no chapter in the file)");
    }

private:
    struct OpenNode {
        long id = 0;
        std::string kind, code, key, title;
        long parent = 0; // 0: none
        long depth = 0;
        std::size_t elementDepth = 0;
    };
    struct Block {
        std::string kind;
        long id = 0, node = 0;
        long seq = 0;
        std::size_t depth = 0;
    };

    static bool IsNode(const std::string& name) {
        return name == "chapter" || name == "section" || name == "diag";
    }

    void openNode(const std::string& kind, const std::string& sectionId) {
        OpenNode n;
        n.id = m_nextId++;
        n.kind = kind;
        n.elementDepth = m_stack.size();
        if (!m_nodes.empty()) {
            n.parent = requireNamed();
            n.depth = m_nodes.back().depth + 1;
        }
        if (kind == "section") {
            // A section of one category ("B10") is looked up as the range B10-B10,
            // so that B10 finds the category.
            n.code = sectionId;
            n.key = sectionId.find('-') == std::string::npos ? sectionId + "-" + sectionId : sectionId;
            checkUnique(n.key, n.code);
        }
        m_nodes.push_back(std::move(n));
    }

    // The id of the innermost open node, which must have its name by now.
    long requireNamed() const {
        if (m_nodes.empty()) throw XmlContentError("元素不在任何章節或代碼之內 (outside any chapter)");
        const OpenNode& n = m_nodes.back();
        if (n.key.empty())
            throw XmlContentError("<" + n.kind + "> 的內容出現在它的 <name> 之前或沒有 <name> (the " +
                                  n.kind + " has no name before its content)");
        return n.id;
    }

    void closeNode() {
        OpenNode& n = m_nodes.back();
        requireNamed();
        if (n.title.empty())
            throw XmlContentError(n.code + " 沒有 <desc> 名稱 (the " + n.kind + " " + n.code +
                                  " has no title)");
        const long last = m_nextId - 1;
        m_node.run({std::to_string(n.id), n.kind, n.code, n.key, n.title,
                    n.parent ? std::to_string(n.parent) : "", std::to_string(n.depth), std::to_string(last)});
        m_nodes.pop_back();
    }

    void openBlock(std::string kind) {
        m_block.kind = std::move(kind);
        m_block.id = ++m_blocks;
        m_block.node = requireNamed();
        m_block.seq = 0;
        m_block.depth = m_stack.size();
        m_inVisual = m_block.kind == "visualImpairment";
    }

    void addNote(const std::string& text) {
        m_note.run({std::to_string(m_block.node), m_block.kind, std::to_string(m_block.id),
                    std::to_string(++m_block.seq), text});
    }

    void collect() {
        m_collecting = true;
        m_collectDepth = m_stack.size();
        m_text.clear();
    }

    void finishText(std::string_view name, std::string t) {
        const std::string& parent = m_stack.empty() ? std::string() : m_stack.back();
        if (IsNode(parent) && !m_nodes.empty() && m_nodes.back().elementDepth == m_stack.size()) {
            OpenNode& n = m_nodes.back();
            if (name == "desc") {
                n.title = std::move(t);
            } else if (n.kind == "chapter") {
                if (t.empty() || t.find('-') != std::string::npos)
                    throw XmlContentError("章的 <name> 應為章號，卻是「" + t +
                                          "」(a chapter's name is its number)");
                n.code = n.key = t;
                checkUnique(n.key, n.code);
            } else if (n.kind == "diag") {
                nameDiag(n, t);
            }
        } else if (parent == "sevenChrDef" && m_seventhDepth == m_stack.size()) {
            if (!t.empty() || !m_character.empty())
                m_seventh.run(
                    {std::to_string(m_seventhNode), std::to_string(++m_seventhSeq), m_character, t});
        } else if (name == "note" && m_block.id != 0) {
            if (!t.empty()) addNote(t);
        } else if (name == "note" && parent == "instruction") {
            if (!t.empty()) m_intro.run({std::to_string(m_introSection), m_introType, m_introTitle, t});
        } else if (name == "title" && parent == "introSection") {
            m_introTitle = t;
            if (m_introType != "instruction")
                m_intro.run({std::to_string(m_introSection), m_introType, m_introTitle, ""});
        } else if ((name == "heading" || name == "value") && m_inVisual) {
            if (!t.empty()) m_row.push_back(t);
        } else if (name == "version") {
            m_info.run({"tabular_version", t});
        }
    }

    void nameDiag(OpenNode& n, const std::string& code) {
        if (!codes::IsWrittenICD10Code(code))
            throw XmlContentError("「" + code + "」不是 ICD-10-CM 代碼 (not an ICD-10-CM code)");
        n.code = code;
        n.key = codes::CodeKey(code);
        // A code is not checked against the code that holds it: the release
        // itself places H54.512A under H54.511.
        checkUnique(n.key, code);
    }

    void checkUnique(const std::string& key, const std::string& code) {
        if (!m_keys.insert(key).second) throw XmlContentError(code + " 重複出現 (appears twice)");
    }

    db::Statement m_node, m_note, m_seventh, m_intro, m_info;
    std::vector<std::string> m_stack;
    std::vector<OpenNode> m_nodes;
    long m_seventhNode = 0;         // the diag of the sevenChrDef being read
    std::size_t m_seventhDepth = 0; // its element's depth; 0 outside one
    std::set<std::string> m_keys;
    long m_nextId = 1, m_blocks = 0, m_seventhSeq = 0, m_introSection = 0;
    Block m_block;
    bool m_inVisual = false;
    std::vector<std::string> m_row;
    std::string m_character, m_introType, m_introTitle;
    bool m_collecting = false;
    std::size_t m_collectDepth = 0;
    std::string m_text;
};

} // namespace

void ImportTabular(ByteSource& in, const std::string& name, db::Connection& guide) {
    TabularHandler h(guide);
    detail::ReadXml(in, name, h);
}

} // namespace guide
