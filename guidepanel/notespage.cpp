#include "guidepanel/notespage.h"

#include <charconv>

namespace guidepanel {

namespace {

constexpr std::string_view CodeScheme = "code:";
constexpr std::string_view TermScheme = "see:";

// A level's mark after a note: "S93 類目".
std::string LevelMark(const guide::PathStep& from) {
    return "<span style=\"color:#7a5c3a\">（" + EscapeHtml(guide::LevelLabel(from)) + "）</span>";
}

// A note's text with the codes it names as links.
std::string NoteTextHtml(const guide::Note& note) {
    std::string html;
    std::size_t at = 0;
    for (const guide::NoteLink& link : note.links) {
        if (link.begin < at || link.begin + link.length > note.text.size())
            continue; // overlapping or outside
        html += EscapeHtml(std::string_view(note.text).substr(at, link.begin - at));
        html += "<a href=\"" + EscapeHtml(CodeHref(link.target)) + "\">" +
                EscapeHtml(std::string_view(note.text).substr(link.begin, link.length)) + "</a>";
        at = link.begin + link.length;
    }
    html += EscapeHtml(std::string_view(note.text).substr(at));
    return html;
}

std::string PathHtml(const std::vector<guide::PathStep>& path) {
    std::string html;
    int indent = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const guide::PathStep& step = path[i];
        const bool last = i + 1 == path.size();
        html += "<p style=\"margin:0 0 0 " + std::to_string(indent) + "px\">" + (i ? "› " : "") +
                "<a href=\"" + EscapeHtml(CodeHref(step.code)) + "\">" + (last ? "<b>" : "") +
                EscapeHtml(guide::LevelLabel(step)) + (last ? "</b>" : "") + "</a>　" +
                EscapeHtml(step.title) + "</p>";
        indent += 14;
    }
    return html;
}

std::string SeventhHtml(const guide::SeventhTable& table) {
    std::string html = "<h3 style=\"color:#800000\">第 7 碼 " + LevelMark(table.from) + "</h3>";
    for (const std::string& note : table.notes)
        html += "<p style=\"margin:0 0 4px 12px\">" + EscapeHtml(note) + "</p>";
    html += "<table cellspacing=\"0\" cellpadding=\"3\" style=\"margin-left:12px\">";
    for (const guide::SeventhEntry& e : table.entries) {
        if (e.character.empty()) {
            // A note printed inside the table, under the line before it.
            html += "<tr><td></td><td><i>" + EscapeHtml(e.text) + "</i></td><td></td></tr>";
            continue;
        }
        const std::string style = e.selected ? " style=\"background-color:#ffe08a; font-weight:bold\"" : "";
        html += "<tr" + style + "><td>" + EscapeHtml(e.character) + "</td><td>" + EscapeHtml(e.text) +
                "</td><td>" + (e.selected ? "◀ 本碼" : "") + "</td></tr>";
    }
    return html + "</table>";
}

} // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string CodeHref(std::string_view code) {
    return std::string(CodeScheme) + std::string(code);
}

std::optional<std::string> CodeOfHref(std::string_view href) {
    if (!href.starts_with(CodeScheme) || href.size() == CodeScheme.size()) return std::nullopt;
    return std::string(href.substr(CodeScheme.size()));
}

std::string TermHref(long term) {
    return std::string(TermScheme) + std::to_string(term);
}

std::optional<long> TermOfHref(std::string_view href) {
    if (!href.starts_with(TermScheme)) return std::nullopt;
    const std::string_view digits = href.substr(TermScheme.size());
    long term = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), term);
    if (error != std::errc() || end != digits.data() + digits.size() || term <= 0) return std::nullopt;
    return term;
}

std::string ProblemHtml(const std::string& problem) {
    return "<p style=\"color:#a00000\">" + EscapeHtml(problem) + "</p>";
}

std::string NotesPageHtml(const guide::CodeGuide& codeGuide) {
    if (!codeGuide.found) return ProblemHtml(codeGuide.problem);
    std::string html;
    const std::string title = codeGuide.path.empty() ? std::string() : codeGuide.path.back().title;
    html += "<h2 style=\"margin-bottom:2px\">" + EscapeHtml(codeGuide.code) +
            "　<span style=\"font-weight:normal\">" + EscapeHtml(title) + "</span></h2>";
    if (codeGuide.exists)
        html += codeGuide.billable ? "<p style=\"margin:0;color:#006000\">最細碼（可申報）</p>"
                                   : "<p style=\"margin:0;color:#a05000\">非最細碼：其下還有更細的代碼</p>";
    if (!codeGuide.problem.empty()) html += ProblemHtml(codeGuide.problem);
    html += "<div style=\"margin-top:6px\">" + PathHtml(codeGuide.path) + "</div>";
    if (codeGuide.notes.empty() && !codeGuide.seventh)
        html += "<p style=\"color:#555555\">這一層與其上各層都沒有註記。</p>";
    for (const guide::NoteGroup& group : codeGuide.notes) {
        if (group.notes.empty()) continue;
        html += "<h3 style=\"color:#800000\">" + EscapeHtml(guide::NoteKindHeading(group.kind)) + "</h3><ul>";
        for (const guide::Note& note : group.notes)
            html += "<li>" + NoteTextHtml(note) + " " + LevelMark(note.from) + "</li>";
        html += "</ul>";
    }
    if (codeGuide.seventh) html += SeventhHtml(*codeGuide.seventh);
    return html;
}

std::string PairHtml(const guide::PairCheck& check) {
    struct Headline {
        const char* colour;
        const char* text;
    };
    Headline head{"#555555", "查不到"};
    switch (check.verdict) {
    case guide::PairCheck::Verdict::Forbidden:
        head = {"#c00000", "✖ 不可同時編碼（排除一）"};
        break;
    case guide::PairCheck::Verdict::Allowed:
        head = {"#007000", "✔ 可同時編碼（排除二）"};
        break;
    case guide::PairCheck::Verdict::NoNote:
        head = {"#555555", "沒有排除註記提到這兩個代碼"};
        break;
    case guide::PairCheck::Verdict::Unknown:
        return ProblemHtml(check.problem.empty() ? guide::PairSummary(check) : check.problem);
    }
    std::string html = "<p style=\"margin:0\"><b style=\"color:" + std::string(head.colour) + "\">" +
                       head.text + "</b>　" + EscapeHtml(check.first) + " ＋ " + EscapeHtml(check.second) +
                       "</p>";
    html += "<p style=\"margin:2px 0 0 0\">" + EscapeHtml(guide::PairSummary(check)) + "</p>";
    return html;
}

std::string IndexEntryHtml(const guide::IndexEntry& entry,
                           const std::function<guide::SeeTarget(std::string_view)>& resolve) {
    std::string html = "<b>" + EscapeHtml(entry.pathText()) + "</b>";
    auto code = [](const std::string& c) {
        return "<a href=\"" + EscapeHtml(CodeHref(c)) + "\">" + EscapeHtml(c) + "</a>";
    };
    if (!entry.code.empty()) html += " → " + code(entry.code);
    if (!entry.manif.empty()) html += " [" + code(entry.manif) + "]";
    auto see = [&](const char* words, const std::string& reference) {
        const guide::SeeTarget target = resolve ? resolve(reference) : guide::SeeTarget{};
        html += std::string(" — <i>") + words + "</i> ";
        html += target.term ? "<a href=\"" + TermHref(target.term) + "\">" + EscapeHtml(reference) + "</a>"
                            : EscapeHtml(reference);
    };
    if (!entry.see.empty()) see("see", entry.see);
    if (!entry.seeAlso.empty()) see("see also", entry.seeAlso);
    if (!entry.subcat.empty()) html += " — <i>see subcategory</i> " + code(entry.subcat);
    if (!entry.seecat.empty()) html += " — <i>see category</i> " + code(entry.seecat);
    return html;
}

} // namespace guidepanel
