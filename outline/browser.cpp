#include "outline/browser.h"

#include "codes/decoration.h"
#include "codes/outlineblocks.h"
#include "db/query.h"
#include "db/sqltext.h"
#include "text/affixes.h"
#include "text/text.h"
#include "text/words.h"

namespace outline {

std::string TileToolTip(const TilePicture& picture) {
    if (picture.code.empty() && picture.name.empty()) return {};
    return codes::CodeAndNames(picture.code, picture.name, picture.english);
}

std::string RangeListingStatement(const std::string& lower, const std::string& upper) {
    return "SELECT * FROM ICD10 WHERE ICD10_NO >= " + db::SqlLiteral(lower) +
           " AND ICD10_NO<=" + db::SqlLiteral(upper) +
           " AND LEN(ICD10_NO)=" + std::to_string(text::Cp950Length(lower)) + " ORDER BY ICD10_NO";
}

std::string CodeListingStatement(const std::string& code, std::size_t length) {
    return "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  " + db::SqlLiteral(code + "%") +
           " AND LEN(ICD10_NO)=" + std::to_string(length) + " ORDER BY ICD10_NO";
}

OutlineBrowser::OutlineBrowser(const std::vector<std::string>& lines, bool icd11Mode, db::Query& query)
    : m_lines(lines), m_icd11(icd11Mode), m_query(query) {
    const std::vector<OutlineRow> rows = ChapterRows(m_lines);
    for (int k = 1; k <= kChapterTiles; ++k) {
        ChapterTile& c = m_chapters[static_cast<std::size_t>(k - 1)];
        c.picture.base = Template::ChapterButton;
        c.visible = !m_icd11 || k <= 2;
        if (k <= static_cast<int>(rows.size())) {
            const OutlineRow& r = rows[static_cast<std::size_t>(k - 1)];
            c.code = r.code;
            c.name = r.name;
            c.picture = {
                Template::ChapterButton, LabelKind::Chapter, k, r.code, r.name, "", std::nullopt, {}};
        }
    }
    for (auto& p : m_paths)
        p.picture.base = Template::GreenBar;
    for (int e = 1; e <= kEntryTiles; ++e) {
        EntryTile& t = m_entries[static_cast<std::size_t>(e - 1)];
        t.picture.base = Template::GreenBar;
        t.top = (e - 1) * kRowHeight;
    }
    for (auto& s : m_pins)
        s.picture.base = Template::PaleYellowBar;
}

int OutlineBrowser::visibleEntryCount() const {
    int n = 0;
    for (const auto& e : m_entries)
        n += e.visible ? 1 : 0;
    return n;
}

void OutlineBrowser::hideChapterTiles() {
    for (auto& c : m_chapters)
        c.visible = false;
}

void OutlineBrowser::showChapterTiles() {
    for (int k = 1; k <= kChapterTiles; ++k)
        m_chapters[static_cast<std::size_t>(k - 1)].visible = !m_icd11 || k <= 2;
}

void OutlineBrowser::hideEntryTiles() {
    for (auto& e : m_entries)
        e.visible = false;
}

void OutlineBrowser::fillEntry(int e, const std::string& code, const std::string& name,
                               const std::string& flag, int level, const std::string& english) {
    EntryTile& t = m_entries[static_cast<std::size_t>(e - 1)];
    t.code = code;
    t.name = name;
    t.flag = flag;
    t.picture = {flag == "Y" ? Template::AsteriskBar : Template::PaleYellowBar,
                 LabelKind::Entry,
                 0,
                 code,
                 name,
                 flag,
                 std::nullopt,
                 english};
    t.top = (level + e - 1) * kRowHeight;
    t.visible = true;
}

int OutlineBrowser::listOutlineChildren(const std::string& code, int level) {
    const std::vector<OutlineRow> children = OutlineChildren(m_lines, code);
    int j = 0;
    for (const auto& child : children) {
        if (j == kEntryTiles) break;
        ++j;
        fillEntry(j, child.code, child.name, "", level);
    }
    return j;
}

void OutlineBrowser::openChapter(int k) {
    if (k < 1 || k > kChapterTiles) return;
    const ChapterTile& c = m_chapters[static_cast<std::size_t>(k - 1)];
    if (c.code.empty()) return; // a tile the outline left empty
    hideChapterTiles();
    m_level = 1;
    PathTile& p = m_paths[0];
    p.code = c.code;
    p.level = 1;
    p.visible = true;
    p.name = c.name;
    p.picture = {Template::BlueBar, LabelKind::FirstPath, k, c.code, c.name, "", std::nullopt, {}};
    openPathTile(1);
}

void OutlineBrowser::openPathTile(int t) {
    if (t < 1 || t > kPathTiles) return;
    const PathTile& p = m_paths[static_cast<std::size_t>(t - 1)];
    const int level = p.level;
    if (level < 1 || level > kPathTiles) return; // a tile that was never filled
    m_level = level;
    for (int i = level + 1; i <= kPathTiles; ++i)
        m_paths[static_cast<std::size_t>(i - 1)].visible = false;
    hideEntryTiles();
    const std::string code = p.code;
    if (listOutlineChildren(code, level) == 0) listDatabaseCodes(code, level);
    highlightDistinctParts();
}

void OutlineBrowser::openEntry(int e) {
    if (e < 1 || e > kEntryTiles) return;
    const EntryTile entry = m_entries[static_cast<std::size_t>(e - 1)];
    if (!entry.visible) return;
    if (entry.flag == "Y") {
        pinCode(entry.code, entry.picture);
        return;
    }
    // No path tile is left below level 10: the entry cannot be entered.
    if (m_level >= kPathTiles) return;
    hideEntryTiles();
    const int level = ++m_level;
    PathTile& p = m_paths[static_cast<std::size_t>(level - 1)];
    p.level = level;
    p.visible = true;
    p.name = entry.name;
    p.code = entry.code;
    p.picture = {Template::GreenBar, LabelKind::Entry,     0, entry.code, entry.name, "N",
                 std::nullopt,       entry.picture.english};
    if (listOutlineChildren(entry.code, level) == 0) {
        const int n = listDatabaseCodes(entry.code, level);
        p.picture.base = n > 0 ? Template::GreenBar : Template::AsteriskBar;
    }
    highlightDistinctParts();
}

int OutlineBrowser::pinCode(const std::string& code, const TilePicture& picture) {
    for (int i = 0; i < kPinSlots; ++i)
        if (m_pins[static_cast<std::size_t>(i)].pinned && m_pins[static_cast<std::size_t>(i)].code == code)
            return i + 1;
    for (int i = 0; i < kPinSlots; ++i) {
        PinSlot& s = m_pins[static_cast<std::size_t>(i)];
        if (s.pinned) continue;
        s.pinned = true;
        s.code = code;
        s.picture = picture;
        return i + 1;
    }
    return 0; // all five slots in use
}

std::string OutlineBrowser::currentCode() const {
    return m_level > 0 ? m_paths[static_cast<std::size_t>(m_level - 1)].code : std::string();
}

void OutlineBrowser::goHome() {
    m_level = 0;
    hideEntryTiles();
    for (auto& p : m_paths)
        p.visible = false;
    showChapterTiles();
}

void OutlineBrowser::goBack() {
    if (m_level == 0) return;
    hideEntryTiles();
    --m_level;
    for (int i = m_level + 1; i <= kPathTiles; ++i)
        m_paths[static_cast<std::size_t>(i - 1)].visible = false;
    if (m_level > 0)
        openPathTile(m_level);
    else
        showChapterTiles();
}

int OutlineBrowser::listDatabaseCodes(const std::string& code, int level) {
    const RangeBounds b = SplitRange(code);
    m_statements.clear();
    auto run = [&](const std::string& statement) {
        m_statements.push_back(statement);
        m_query.close();
        m_query.clear();
        m_query.add(statement);
        m_query.open();
    };
    if (b.isRange) {
        run(RangeListingStatement(b.lower, b.upper));
    } else {
        // Not every code has children one character longer (S93.4 has none of
        // 5 characters, only 6): try the next lengths while nothing comes back.
        const std::size_t len = text::Cp950Length(code);
        for (std::size_t extra = 1; extra <= 3; ++extra) {
            run(CodeListingStatement(code, len + extra));
            if (!m_query.eof()) break;
        }
    }
    // A block whose range takes in separate blocks in code order (C76-C80
    // holds C7A and C7B) lists only its own codes.
    const std::vector<std::string> separate =
        b.isRange ? codes::SeparateBlocksInside(m_lines, code) : std::vector<std::string>();
    int n = 0;
    while (n < kEntryTiles && !m_query.eof()) {
        if (codes::InAnyRange(m_query.field("ICD10_NO"), separate)) {
            m_query.next();
            continue;
        }
        ++n;
        fillEntry(n, m_query.field("ICD10_NO"),
                  codes::DecorateName(m_query.field("ICD10_CNAME"), m_query.field("ICD10_2023FLAG"),
                                      m_query.field("ICD10_2023NEW")),
                  m_query.field("ICD10_FLAG"), level, m_query.field("ICD10_ENAME"));
        if (n < kEntryTiles) m_query.next(); // the 41st row is never read
    }
    return n;
}

void OutlineBrowser::highlightDistinctParts() {
    std::vector<int> visible;
    std::vector<std::string> names;
    for (int e = 1; e <= kEntryTiles; ++e) {
        const EntryTile& t = m_entries[static_cast<std::size_t>(e - 1)];
        if (!t.visible) continue;
        visible.push_back(e);
        names.push_back(t.name);
    }
    if (visible.size() < 2) return;
    const text::AffixResult r = text::StripCommonAffixes(names);
    if (r.prefixLength == 0 && r.suffixLength == 0) return;
    for (std::size_t i = 0; i < visible.size(); ++i) {
        EntryTile& t = m_entries[static_cast<std::size_t>(visible[i] - 1)];
        t.picture.highlight = Highlight{r.distinct[i], r.prefixLength, r.suffixLength};
    }
}

void OutlineBrowser::emptyPinSlot(int s) {
    if (s < 1 || s > kPinSlots) return;
    PinSlot& slot = m_pins[static_cast<std::size_t>(s - 1)];
    slot.pinned = false;
    slot.code.clear();
    slot.picture = TilePicture{};
    compactPinSlots();
}

void OutlineBrowser::compactPinSlots() {
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 0; i + 1 < kPinSlots; ++i) {
            PinSlot& upper = m_pins[static_cast<std::size_t>(i)];
            PinSlot& lower = m_pins[static_cast<std::size_t>(i) + 1];
            if (!upper.pinned && lower.pinned) {
                upper.code = lower.code;
                upper.picture = lower.picture;
                upper.pinned = true;
                lower.code.clear();
                lower.pinned = false;
                lower.picture = TilePicture{};
                changed = true;
            }
        }
    }
}

std::string OutlineBrowser::handOffCodeOf(int s) const {
    if (s < 1 || s > kPinSlots) return std::string();
    return text::FirstWord(m_pins[static_cast<std::size_t>(s - 1)].code);
}

} // namespace outline
