#pragma once
// The pages of the coder's guide as the windows show them, in HTML for a text
// browser: a code's notes (the notes panel, 編碼指引), the verdict of a pair
// check, and an Alphabetic Index entry. Every text from the guide is escaped;
// the links are "code:" (show that code in the panel) and "see:" (go to that
// index term).
//
//   NotesPageHtml(g.lookup("S93401A")):
//     S93.401A  Sprain of unspecified ligament of right ankle, initial encounter
//     第 19 章 Injury, poisoning ... › S90-S99 節 ... › S93 類目 ... › ... › S93.401A 代碼   (each a link)
//     包含            avulsion of joint or ligament of ankle, foot and toe    — S93 類目
//     排除二：可同時編碼  strain of muscle and tendon of ankle and foot (S96.-)   — S93 類目   (S96 a link)
//     第 7 碼（S93 類目）  A initial encounter ◀ 本碼 / D subsequent encounter / S sequela
//
// Nothing here needs a window: the tests read the HTML.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "guide/indexsearch.h"
#include "guide/reader.h"

namespace guidepanel {

// & < > " as entities.
std::string EscapeHtml(std::string_view text);

// The link that shows a code in the panel, and back:
//   CodeHref("S93.1") => "code:S93.1"    CodeOfHref("code:S93.1") => "S93.1"    CodeOfHref("see:1") => none
std::string CodeHref(std::string_view code);
std::optional<std::string> CodeOfHref(std::string_view href);
// The link to an index term by its id: "see:1234", and back.
std::string TermHref(long term);
std::optional<long> TermOfHref(std::string_view href);

// A code's path, notes (under their Traditional Chinese headings, each with
// the level it comes from) and 7th-character table (the code's own marked).
// A code that was not found gives its problem; a warning is shown above.
std::string NotesPageHtml(const guide::CodeGuide& codeGuide);

// Why there is no page: the guide missing or damaged, a code not found.
std::string ProblemHtml(const std::string& problem);

// The verdict of a pair check: a headline (red: forbidden, green: allowed,
// grey: no note; the problem when a code was not found), the summary naming
// the note and its level, and every Excludes note found.
std::string PairHtml(const guide::PairCheck& check);

// An index entry for the line under the index list: its path, its codes as
// "code:" links and its "see" and "see also" as "see:" links to the terms
// they name (resolve gives the term; a reference that names no term, such as
// "condition", stays plain text).
std::string IndexEntryHtml(const guide::IndexEntry& entry,
                           const std::function<guide::SeeTarget(std::string_view)>& resolve);

} // namespace guidepanel
