// The Alphabetic Index XML into the guide: every main term and sub-term with
// its level, title, nonessential modifiers and what it points to.
//
//   ICD10CM.index > letter > title, mainTerm > title, code, manif, see, seeAlso, subcat, seecat, term
//   term(level) > the same as a main term
//   title > text, nemod (the nonessential modifiers, in parentheses) and text again
// A sub-term's level is one more than its parent's (main terms are level 0).
#include <vector>

#include "db/connection.h"
#include "db/statement.h"
#include "guide/xmlstream.h"

namespace guide {

namespace {

using detail::Attribute;
using detail::Collapse;
using detail::XmlContentError;

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class IndexHandler : public detail::XmlHandler {
public:
    explicit IndexHandler(db::Connection& c)
        : m_term(
              c,
              "INSERT INTO term (id, parent, level, last, title, nemod, display, code, manif, see, "
              "see_also, subcat, seecat) VALUES (?1, NULLIF(?2, ''), ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
              "?12, ?13)"),
          m_info(c, "INSERT OR REPLACE INTO guide_info (key, value) VALUES (?1, ?2)") {}

    void start(std::string_view name, const char** attributes) override {
        const std::string parent = m_stack.empty() ? std::string() : m_stack.back();
        m_stack.emplace_back(name);
        if (m_stack.size() == 1) {
            if (name != "ICD10CM.index")
                throw XmlContentError("這不是 ICD-10-CM 索引（Alphabetic Index）XML：最外層元素是 <" +
                                      std::string(name) + ">，應為 <ICD10CM.index> (not the index XML)");
            return;
        }
        if (m_field) {
            if (name == "nemod" && m_field == &m_titleField && m_stack.size() == m_collectDepth + 1) {
                m_inNemod = true;
                m_pieces.push_back({true, {}});
            }
            return; // other elements inside a text element: their text is taken
        }
        const bool inTerm = !m_terms.empty() && m_terms.back().elementDepth == m_stack.size() - 1;
        if (name == "mainTerm" && parent == "letter") {
            openTerm(0, attributes, false);
        } else if (name == "term" && inTerm) {
            openTerm(m_terms.back().level + 1, attributes, true);
        } else if (inTerm && name == "title") {
            m_pieces.clear();
            m_pieces.push_back({false, {}});
            collect(&m_titleField);
        } else if (inTerm) {
            Term& t = m_terms.back();
            std::string* slot = name == "code"      ? &t.code
                                : name == "manif"   ? &t.manif
                                : name == "see"     ? &t.see
                                : name == "seeAlso" ? &t.seeAlso
                                : name == "subcat"  ? &t.subcat
                                : name == "seecat"  ? &t.seecat
                                                    : nullptr;
            if (slot) collect(slot);
        } else if (name == "version" && parent == "ICD10CM.index") {
            collect(&m_version);
        }
    }

    void text(std::string_view piece) override {
        if (!m_field) return;
        if (m_field == &m_titleField)
            m_pieces.back().text.append(piece);
        else
            m_text.append(piece);
    }

    void end(std::string_view name) override {
        const std::size_t depth = m_stack.size();
        m_stack.pop_back();
        if (m_field) {
            if (m_inNemod && name == "nemod" && m_field == &m_titleField && depth == m_collectDepth + 1) {
                m_inNemod = false;
                m_pieces.push_back({false, {}});
            }
            if (depth != m_collectDepth) return;
            finishField();
            return;
        }
        if ((name == "mainTerm" || name == "term") && !m_terms.empty() &&
            m_terms.back().elementDepth == depth)
            closeTerm();
    }

    void finish() override {
        if (!m_terms.empty()) throw XmlContentError("<mainTerm> 沒有結束 (a term is not closed)");
        if (m_nextId == 1) throw XmlContentError("檔案中沒有任何索引詞 (no main term in the file)");
    }

private:
    struct Term {
        long id = 0, parent = 0, level = 0;
        std::size_t elementDepth = 0;
        std::string title, nemod, display, code, manif, see, seeAlso, subcat, seecat;
        bool titled = false;
    };
    struct Piece {
        bool nemod;
        std::string text;
    };

    void openTerm(long level, const char** attributes, bool sub) {
        if (sub) {
            const std::string_view given = Attribute(attributes, "level");
            if (given != std::to_string(level))
                throw XmlContentError("<term> 的 level 屬性是「" + std::string(given) +
                                      "」，依它的位置應為 " + std::to_string(level) +
                                      " (the term's level does not match its nesting)");
            if (!m_terms.back().titled)
                throw XmlContentError(
                    "<term> 出現在上一層的 <title> 之前 (a term comes before its parent's title)");
        }
        Term t;
        t.id = m_nextId++;
        t.parent = m_terms.empty() ? 0 : m_terms.back().id;
        t.level = level;
        t.elementDepth = m_stack.size();
        m_terms.push_back(std::move(t));
    }

    void closeTerm() {
        Term& t = m_terms.back();
        if (!t.titled || (t.title.empty() && t.nemod.empty()))
            throw XmlContentError("索引詞沒有 <title> (a term has no title)");
        m_term.run({std::to_string(t.id), t.parent ? std::to_string(t.parent) : "", std::to_string(t.level),
                    std::to_string(m_nextId - 1), t.title, t.nemod, t.display, t.code, t.manif, t.see,
                    t.seeAlso, t.subcat, t.seecat});
        m_terms.pop_back();
    }

    void collect(std::string* field) {
        m_field = field;
        m_collectDepth = m_stack.size();
        m_text.clear();
    }

    void finishField() {
        std::string* field = m_field;
        m_field = nullptr;
        m_inNemod = false;
        if (field == &m_titleField) {
            Term& t = m_terms.back();
            if (t.titled) throw XmlContentError("索引詞有兩個 <title> (a term has two titles)");
            t.titled = true;
            std::string title, nemod, display;
            for (std::size_t i = 0; i < m_pieces.size(); ++i) {
                const Piece& p = m_pieces[i];
                const std::string s = Collapse(p.text);
                if (s.empty()) continue;
                std::string& part = p.nemod ? nemod : title;
                part += (part.empty() ? "" : " ") + s;
                // "vein" (peripheral) "NEC" => "vein (peripheral) NEC"; no blank before a
                // comma, nor before a plural ending written against its word: Pain(s), toe(s) (lesser).
                const std::string& before = i > 0 ? m_pieces[i - 1].text : std::string();
                const bool plural = p.nemod && (s.rfind("(s)", 0) == 0 || s.rfind("(es)", 0) == 0) &&
                                    p.text[0] == '(' && !before.empty() && !Blank(before.back());
                const bool joined = display.empty() || s[0] == ',' || s[0] == ';' || plural;
                display += (joined ? "" : " ") + s;
            }
            t.title = std::move(title);
            t.nemod = std::move(nemod);
            t.display = std::move(display);
        } else if (field == &m_version) {
            m_info.run({"index_version", Collapse(m_text)});
        } else {
            // A second code, see, ... of one term is kept beside the first.
            const std::string s = Collapse(m_text);
            if (!s.empty()) *field += (field->empty() ? "" : "; ") + s;
        }
    }

    db::Statement m_term, m_info;
    std::vector<std::string> m_stack;
    std::vector<Term> m_terms;
    long m_nextId = 1;
    std::string* m_field = nullptr; // the text being collected, or null
    std::size_t m_collectDepth = 0;
    std::string m_text, m_titleField, m_version;
    std::vector<Piece> m_pieces; // a title's text and modifiers, in order
    bool m_inNemod = false;
};

} // namespace

void ImportIndex(ByteSource& in, const std::string& name, db::Connection& guide) {
    IndexHandler h(guide);
    detail::ReadXml(in, name, h);
}

} // namespace guide
