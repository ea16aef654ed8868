#include "guide/indexsearch.h"

#include <algorithm>
#include <cstring>

#include "db/connection.h"
#include "db/statement.h"

namespace guide {

namespace {

enum Field { Title, Nemod, Display, Code, Manif, See, SeeAlso, Subcat, Seecat, FieldCount };

// The plain letter of a Latin-1 letter written as UTF-8 C3 xx; 0 for none.
char PlainLetter(unsigned char second) {
    // U+00C0 .. U+00FF, upper and lower case alike.
    static constexpr char Table[] = "aaaaaaaceeeeiiii"  // C0-CF
                                    "dnooooo ouuuuy s"  // D0-DF
                                    "aaaaaaaceeeeiiii"  // E0-EF
                                    "dnooooo ouuuuy y"; // F0-FF
    if (second < 0x80 || second > 0xBF) return 0;
    const char c = Table[second - 0x80];
    return c == ' ' ? 0 : c;
}

// Lower case, blanks collapsed, a plural ending written against its word
// joined ("Complication(s)" => "complications"): how titles are compared when a
// "see" is resolved.
std::string Folded(std::string_view text) {
    std::string joined(text);
    for (const char* ending : {"(s)", "(es)"})
        for (std::size_t at = joined.find(ending); at != std::string::npos; at = joined.find(ending, at + 1))
            if (at > 0 && joined[at - 1] != ' ' && joined[at - 1] != ')') {
                joined.erase(at + std::strlen(ending) - 1, 1);
                joined.erase(at, 1);
            }
    std::string out;
    for (const std::string& w : SearchWords(joined))
        out += (out.empty() ? "" : " ") + w;
    return out;
}

// The other names a "see" may give a term by, folded, each with its rank (1 is
// likelier than 2): the title without a closing NEC ("Hydronephrosis NEC" =>
// "hydronephrosis"), its plural when a modifier makes one ("Complication" (s)
// => "complications"), and each comma-separated part of its title or of its
// title as printed ("Infarct, infarction" => "infarct", "infarction";
// "Legg (-Calvé) -Perthes disease, syndrome ..." => "legg calve perthes disease").
std::vector<std::pair<std::string, int>> Alternatives(std::string_view title, std::string_view nemod,
                                                      std::string_view display) {
    std::vector<std::pair<std::string, int>> out;
    const std::string folded = Folded(title);
    if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, " nec") == 0)
        out.emplace_back(folded.substr(0, folded.size() - 4), 1);
    for (std::string_view ending : {"(s)", "(es)"})
        if (nemod.substr(0, ending.size()) == ending)
            out.emplace_back(folded + std::string(ending.substr(1, ending.size() - 2)), 1);
    // The first part names the term better than the others: "Disease, diseased"
    // before "Blood-forming organs, disease" for "disease".
    for (std::string_view text : {title, display}) {
        if (text.find(',') == std::string_view::npos) continue;
        for (int rank = 1; !text.empty(); rank = 2) {
            const std::size_t comma = text.find(',');
            std::string part = Folded(text.substr(0, comma));
            if (!part.empty()) out.emplace_back(std::move(part), rank);
            text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        }
    }
    return out;
}

} // namespace

std::vector<std::string> SearchWords(std::string_view text) {
    std::vector<std::string> words;
    std::string w;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        char letter = 0;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            letter = static_cast<char>(c);
        else if (c >= 'A' && c <= 'Z')
            letter = static_cast<char>(c - 'A' + 'a');
        else if (c == 0xC3 && i + 1 < text.size() && PlainLetter(static_cast<unsigned char>(text[i + 1]))) {
            letter = PlainLetter(static_cast<unsigned char>(text[++i]));
        } else if (!w.empty() && (c == '\'' || text.substr(i, 3) == "\u2019")) {
            // An apostrophe inside a word joins it: "Aarskog's" is one word, "aarskogs".
            i += c == '\'' ? 0 : 2;
            continue;
        }
        if (letter) {
            w += letter;
        } else if (!w.empty()) {
            words.push_back(std::move(w));
            w.clear();
        }
    }
    if (!w.empty()) words.push_back(std::move(w));
    return words;
}

IndexSearch::IndexSearch(db::Connection& guide) : m_conn(guide) {}

IndexSearch::~IndexSearch() = default;

void IndexSearch::load() {
    if (m_loaded) return;
    std::vector<Term> terms(1);
    std::string arena;
    db::Statement read(m_conn,
                       "SELECT id, parent, level, last, title, nemod, display, code, manif, see, see_also, "
                       "subcat, seecat FROM term ORDER BY id");
    // Word -> terms, gathered as pairs and sorted once.
    std::vector<std::pair<std::string, std::uint32_t>> pairs;
    std::vector<TitleKey> mainTitles;
    while (read.step()) {
        const long id = static_cast<long>(read.columnInt(0));
        if (id != static_cast<long>(terms.size()))
            throw db::Error("編碼指引的索引不連續，檔案已損壞 (index terms out of order)");
        Term t{};
        t.firstWord = -1;
        t.parent = static_cast<std::int32_t>(read.columnInt(1));
        t.level = static_cast<std::int32_t>(read.columnInt(2));
        t.last = static_cast<std::int32_t>(read.columnInt(3));
        if (t.parent < 0 || t.parent >= id || t.last < id)
            throw db::Error("編碼指引的索引結構不對，檔案已損壞 (index tree broken)");
        t.main = t.parent ? terms[static_cast<std::size_t>(t.parent)].main : static_cast<std::int32_t>(id);
        for (int f = 0; f < FieldCount; ++f) {
            t.field[f] = static_cast<std::uint32_t>(arena.size());
            arena += read.column(4 + f);
        }
        t.field[FieldCount] = static_cast<std::uint32_t>(arena.size());
        const std::string_view display(arena.data() + t.field[Display],
                                       t.field[Display + 1] - t.field[Display]);
        std::vector<std::string> words = SearchWords(display);
        std::sort(words.begin(), words.end());
        words.erase(std::unique(words.begin(), words.end()), words.end());
        for (std::string& w : words)
            pairs.emplace_back(std::move(w), static_cast<std::uint32_t>(id));
        if (t.parent == 0) {
            mainTitles.push_back({Folded(read.column(4)), 0, id});
            for (auto& [other, rank] : Alternatives(read.column(4), read.column(5), read.column(6)))
                mainTitles.push_back({std::move(other), rank, id});
        }
        terms.push_back(t);
    }
    for (const Term& t : terms)
        if (static_cast<std::size_t>(t.last) >= terms.size())
            throw db::Error("編碼指引的索引結構不對，檔案已損壞 (index tree broken)");
    std::sort(pairs.begin(), pairs.end());
    std::vector<std::string> words;
    std::vector<std::uint32_t> starts, postings;
    postings.reserve(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (words.empty() || words.back() != pairs[i].first) {
            words.push_back(pairs[i].first);
            starts.push_back(static_cast<std::uint32_t>(postings.size()));
        }
        postings.push_back(pairs[i].second);
    }
    starts.push_back(static_cast<std::uint32_t>(postings.size()));
    std::sort(mainTitles.begin(), mainTitles.end());
    // Each main term's first word, as its place in the sorted words.
    std::vector<long> mainIds;
    for (std::size_t id = 1; id < terms.size(); ++id) {
        if (terms[id].parent != 0) continue;
        mainIds.push_back(static_cast<long>(id));
        const std::string_view display(arena.data() + terms[id].field[Display],
                                       terms[id].field[Display + 1] - terms[id].field[Display]);
        const std::vector<std::string> own = SearchWords(display);
        if (own.empty()) continue;
        const auto at = std::lower_bound(words.begin(), words.end(), own.front());
        terms[id].firstWord = static_cast<std::int32_t>(at - words.begin());
    }
    arena.shrink_to_fit();
    terms.shrink_to_fit();
    words.shrink_to_fit();
    m_terms = std::move(terms);
    m_arena = std::move(arena);
    m_words = std::move(words);
    m_postingStart = std::move(starts);
    m_postings = std::move(postings);
    m_mainTitles = std::move(mainTitles);
    m_mainIds = std::move(mainIds);
    m_loaded = true;
}

std::size_t IndexSearch::termCount() {
    load();
    return m_terms.size() - 1;
}

std::string_view IndexSearch::field(std::size_t term, int which) const {
    const Term& t = m_terms[term];
    return std::string_view(m_arena.data() + t.field[which], t.field[which + 1] - t.field[which]);
}

std::vector<long> IndexSearch::find(std::string_view typed) {
    load();
    std::vector<std::string> query = SearchWords(typed);
    std::sort(query.begin(), query.end());
    query.erase(std::unique(query.begin(), query.end()), query.end());
    if (query.empty()) return {};
    // Words past the 32nd add nothing a coder needs (and the counts below are bytes).
    if (query.size() > 32) query.resize(32);
    const std::size_t n = m_terms.size();
    // For each typed word, the terms covered by a term whose title has a word
    // it begins (a term covers its whole subtree: ids id..last), counted with
    // a difference array; a term is kept when every word covers it.
    std::vector<std::uint8_t> hits(n, 0);
    std::vector<std::int32_t> diff(n + 1);
    // How well each main term answers the words: 0 its first word begins with
    // one of them, 1 another word of its title does, 2 none (only its sub-terms).
    std::vector<std::uint8_t> tier(n, 2);
    std::uint8_t round = 0;
    for (const std::string& q : query) {
        std::fill(diff.begin(), diff.end(), 0);
        const auto first = std::lower_bound(m_words.begin(), m_words.end(), q);
        auto w = first;
        bool any = false;
        for (; w != m_words.end() && w->compare(0, q.size(), q) == 0; ++w) {
            const std::size_t wi = static_cast<std::size_t>(w - m_words.begin());
            for (std::uint32_t p = m_postingStart[wi]; p < m_postingStart[wi + 1]; ++p) {
                const std::uint32_t id = m_postings[p];
                ++diff[id];
                --diff[static_cast<std::size_t>(m_terms[id].last) + 1];
                if (m_terms[id].parent == 0) tier[id] = std::min<std::uint8_t>(tier[id], 1);
                any = true;
            }
        }
        if (!any) return {};
        const auto lo = static_cast<std::int32_t>(first - m_words.begin());
        const auto hi = static_cast<std::int32_t>(w - m_words.begin());
        for (long id : m_mainIds) {
            const std::int32_t fw = m_terms[static_cast<std::size_t>(id)].firstWord;
            if (fw >= lo && fw < hi) tier[static_cast<std::size_t>(id)] = 0;
        }
        std::int32_t covered = 0;
        for (std::size_t id = 1; id < n; ++id) {
            covered += diff[id];
            if (covered > 0 && hits[id] == round) hits[id] = static_cast<std::uint8_t>(round + 1);
        }
        ++round;
    }
    std::vector<long> tiers[3];
    for (std::size_t id = 1; id < n; ++id)
        if (hits[id] == round)
            tiers[tier[static_cast<std::size_t>(m_terms[id].main)]].push_back(static_cast<long>(id));
    std::vector<long> out = std::move(tiers[0]);
    out.insert(out.end(), tiers[1].begin(), tiers[1].end());
    out.insert(out.end(), tiers[2].begin(), tiers[2].end());
    return out;
}

IndexEntry IndexSearch::entry(long id) {
    load();
    IndexEntry e;
    if (id <= 0 || static_cast<std::size_t>(id) >= m_terms.size()) return e;
    const auto i = static_cast<std::size_t>(id);
    e.id = id;
    e.parent = m_terms[i].parent;
    e.level = m_terms[i].level;
    for (long t = id; t != 0; t = m_terms[static_cast<std::size_t>(t)].parent)
        e.path.emplace_back(field(static_cast<std::size_t>(t), Display));
    std::reverse(e.path.begin(), e.path.end());
    e.code = field(i, Code);
    e.manif = field(i, Manif);
    e.see = field(i, See);
    e.seeAlso = field(i, SeeAlso);
    e.subcat = field(i, Subcat);
    e.seecat = field(i, Seecat);
    return e;
}

long IndexSearch::childTitled(long parent, std::string_view title) const {
    const Term& p = m_terms[static_cast<std::size_t>(parent)];
    long alternative = 0;
    for (long c = parent + 1; c <= p.last; c = m_terms[static_cast<std::size_t>(c)].last + 1) {
        const auto i = static_cast<std::size_t>(c);
        if (Folded(field(i, Title)) == title) return c;
        if (!alternative)
            for (const auto& [other, rank] :
                 Alternatives(field(i, Title), field(i, Nemod), field(i, Display)))
                if (other == title) alternative = c;
    }
    return alternative;
}

SeeTarget IndexSearch::resolve(std::string_view reference) {
    load();
    // The reference's levels are separated by ", "; a title may hold a comma
    // itself ("Abdomen, abdominal"), so the longest title that fits is taken.
    std::vector<std::string> parts;
    std::string_view rest = reference;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        parts.push_back(Folded(rest.substr(0, comma)));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    // Down from a term, the sub-terms the remaining parts name; how far it got.
    auto descend = [&](long term, std::size_t used) {
        while (used < parts.size()) {
            long next = 0;
            for (std::size_t take = parts.size() - used; take >= 1 && !next; --take) {
                std::string title;
                for (std::size_t i = 0; i < take; ++i)
                    title += (i ? " " : "") + parts[used + i];
                if ((next = childTitled(term, title))) used += take;
            }
            if (!next) break;
            term = next;
        }
        return std::make_pair(term, used);
    };
    // Every main term the first parts may name, the best first: the one that
    // leads through the whole reference, else the one that leads furthest.
    SeeTarget best;
    std::size_t bestUsed = 0;
    for (std::size_t take = parts.size(); take >= 1; --take) {
        std::string title;
        for (std::size_t i = 0; i < take; ++i)
            title += (i ? ", " : "") + parts[i];
        const std::string key = Folded(title);
        for (auto it = std::lower_bound(m_mainTitles.begin(), m_mainTitles.end(), TitleKey{key, 0, 0});
             it != m_mainTitles.end() && it->key == key; ++it) {
            const auto [term, used] = descend(it->id, take);
            if (used == parts.size()) return {term, true};
            if (used > bestUsed) {
                best = {term, false};
                bestUsed = used;
            }
        }
    }
    return best;
}

std::size_t IndexSearch::memoryBytes() const {
    std::size_t bytes = m_terms.capacity() * sizeof(Term) + m_arena.capacity() +
                        m_postingStart.capacity() * sizeof(std::uint32_t) +
                        m_postings.capacity() * sizeof(std::uint32_t);
    for (const std::string& w : m_words)
        bytes += sizeof(std::string) + (w.size() > 15 ? w.capacity() : 0);
    for (const TitleKey& t : m_mainTitles)
        bytes += sizeof(t) + (t.key.size() > 15 ? t.key.capacity() : 0);
    return bytes;
}

std::string IndexEntry::pathText() const {
    std::string s;
    for (const std::string& p : path)
        s += (s.empty() ? "" : " \u203A ") + p;
    return s;
}

std::string IndexEntry::text() const {
    std::string s = pathText();
    if (!code.empty()) s += " \u2192 " + code;
    if (!manif.empty()) s += " [" + manif + "]";
    if (!see.empty()) s += " \u2014 see " + see;
    if (!seeAlso.empty()) s += " \u2014 see also " + seeAlso;
    if (!subcat.empty()) s += " \u2014 see subcategory " + subcat;
    if (!seecat.empty()) s += " \u2014 see category " + seecat;
    return s;
}

} // namespace guide
