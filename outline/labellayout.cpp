#include "outline/labellayout.h"

#include "text/text.h"

namespace outline {

namespace {

std::string Join(const std::vector<std::string>& chars, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to && i < chars.size(); ++i)
        s += chars[i];
    return s;
}

} // namespace

std::vector<TextRun> LayoutChapterTile(const TextMeasure& m, int number, const std::string& code,
                                       const std::string& name) {
    const int W = kChapterTileWidth;
    const int H = kChapterTileHeight;
    std::vector<TextRun> runs;
    runs.push_back({std::to_string(number), 6, 1, Face::Default, 8, false, Ink::Blue});
    const int codeWidth = m.width(code, Face::Times, 10, true);
    runs.push_back({code, (W - codeWidth) / 2, 1, Face::Times, 10, true, Ink::Blue});
    const int nameWidth = m.width(name, Face::Ming, 12, false);
    const int h = m.height(Face::Ming, 12, false);
    if (nameWidth > W) {
        auto [head, tail] = text::Cp950Split(name, 16);
        const int y = (H - 2 * h) / 2 + 6;
        runs.push_back({head, 0, y, Face::Ming, 12, false, Ink::Black});
        runs.push_back({text::Cp950Left(tail, 100), 0, y + h, Face::Ming, 12, false, Ink::Black});
    } else {
        runs.push_back({name, (W - nameWidth) / 2, (H - h) / 2 + 6, Face::Ming, 12, false, Ink::Black});
    }
    return runs;
}

std::vector<TextRun> LayoutFirstPathTile(const TextMeasure& m, int number, const std::string& code,
                                         const std::string& name, int tileHeight) {
    std::vector<TextRun> runs;
    const std::string first = std::to_string(number) + " ";
    runs.push_back({first, 2, 1, Face::Default, 10, false, Ink::Blue});
    const std::string second = name + " ";
    const int x1 = 2 + m.width(first, Face::Default, 10, false) + 2;
    runs.push_back({second, x1, (tileHeight - m.height(Face::Default, 12, false)) / 2, Face::Default, 12,
                    false, Ink::Black});
    const int x2 = x1 + m.width(second, Face::Default, 12, false) + 2;
    runs.push_back(
        {code, x2, (tileHeight - m.height(Face::Default, 10, false)) / 2, Face::Times, 10, true, Ink::Blue});
    return runs;
}

EntryLabel LayoutEntryLabel(const TextMeasure& m, int tileWidth, int tileHeight, const std::string& code,
                            const std::string& name, const std::string& flag,
                            const std::optional<Highlight>& highlight) {
    EntryLabel out;
    int W = tileWidth;
    if (flag == "Y") W -= 10; // keep clear of the asterisk
    out.emptyCode = code.empty();
    if (!code.empty())
        out.runs.push_back({code, 2, (tileHeight - m.height(Face::Default, 10, false)) / 2, Face::Default, 10,
                            false, Ink::Blue});
    const int x = 2 + m.width(code + " ", Face::Default, 10, false);

    int size = 12;
    while (size > 9 && x + m.width(name, Face::Default, size, false) > W)
        --size;
    const int y = (tileHeight - m.height(Face::Default, size, false)) / 2;
    const bool highlighted = highlight && !highlight->distinct.empty();

    const std::vector<std::string> chars = text::Characters(name);
    const std::size_t n = chars.size();
    const std::size_t P =
        highlight ? std::min<std::size_t>(static_cast<std::size_t>(highlight->prefixLength), n) : 0;
    const std::size_t S = highlight ? static_cast<std::size_t>(highlight->suffixLength) : 0;
    // Characters P+1 .. n-S are the distinct ones (none when the affixes cover the name).
    const std::size_t distinctEnd = n >= P + S ? n - S : P;

    if (x + m.width(name, Face::Default, size, false) <= W) {
        out.runs.push_back({name, x, y, Face::Default, size, false, Ink::Black});
        if (highlighted && name.find(highlight->distinct) != std::string::npos) {
            // The distinct part stands after the common prefix; measuring the
            // prefix (not the first occurrence of the part, which may lie inside
            // the prefix) puts the magenta exactly over it.
            const int dx = m.width(Join(chars, 0, P), Face::Default, size, false);
            out.runs.push_back({highlight->distinct, x + dx, y, Face::Default, size, false, Ink::Magenta});
        }
        return out;
    }

    // Two lines at size 9: line 1 takes the leading characters that fit.
    std::size_t split = 0;
    while (split < n && x + m.width(Join(chars, 0, split + 1), Face::Default, size, false) <= W)
        ++split;
    const std::string line1 = Join(chars, 0, split);
    const std::string line2 = Join(chars, split, n);
    const int h2 = m.height(Face::Default, size, false);
    out.runs.push_back({line1, x, 1, Face::Default, size, false, Ink::Black});
    out.runs.push_back({line2, x, 1 + h2, Face::Default, size, false, Ink::Black});
    if (!highlighted) return out;
    auto distinctRun = [&](std::size_t from, std::size_t to, int lineY) {
        // Characters [from, to) form one line; draw its distinct characters.
        const std::size_t a = std::max(from, P);
        const std::size_t b = std::min(to, distinctEnd);
        if (a >= b) return;
        const int dx = m.width(Join(chars, from, a), Face::Default, size, false);
        out.runs.push_back({Join(chars, a, b), x + dx, lineY, Face::Default, size, false, Ink::Magenta});
    };
    distinctRun(0, split, 1);
    distinctRun(split, n, 1 + h2);
    return out;
}

} // namespace outline
