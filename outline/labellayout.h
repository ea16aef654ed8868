#pragma once
// Where each piece of text of a tile goes, computed without a toolkit: the window
// measures text through TextMeasure and paints the runs it gets back, so the
// rules (font steps, two-line split, highlighted parts) are tested headless.
//
// Sizes are font sizes in points; coordinates are pixels in the tile, y the top
// of the text cell. "Half" is a signed halving rounded toward zero.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace outline {

enum class Face { Default, Times, Ming };
enum class Ink { Blue, Black, Magenta };

struct TextRun {
    std::string text;
    int x = 0;
    int y = 0;
    Face face = Face::Default;
    int size = 12;
    bool bold = false;
    Ink ink = Ink::Black;
    bool operator==(const TextRun&) const = default;
};

class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int width(std::string_view text, Face face, int size, bool bold) const = 0;
    // Height of a line of text in this font.
    virtual int height(Face face, int size, bool bold) const = 0;
};

// What tells an entry apart from its siblings (see StripCommonAffixes).
struct Highlight {
    std::string distinct;
    int prefixLength = 0;
    int suffixLength = 0;
    bool operator==(const Highlight&) const = default;
};

// Sizes of the tile templates.
inline constexpr int kChapterTileWidth = 140;
inline constexpr int kChapterTileHeight = 43;
inline constexpr int kBarWidth = 280;
inline constexpr int kBarHeight = 30;

// Chapter tile k: the number (size 8, blue) at (6, 1); the range (size 10, blue,
// Times bold) centred at the top; the name (細明體 12, black) centred on one line,
// or, when wider than the tile, its first 16 CP950 bytes and the rest on two
// lines, never cut inside a double-byte character.
std::vector<TextRun> LayoutChapterTile(const TextMeasure& m, int number, const std::string& code,
                                       const std::string& name);

// The first path tile (the chapter, on the blue bar): "k " (size 10, blue) at
// (2, 1), then "name " (size 12, black) centred in height, then the range (size
// 10, blue, Times bold).
std::vector<TextRun> LayoutFirstPathTile(const TextMeasure& m, int number, const std::string& code,
                                         const std::string& name, int tileHeight = kBarHeight);

// The label of an entry or path tile: the code (size 10, blue) at x = 2, then the
// name from x = 2 + width of "code " at size 12, stepping down to 11, 10 and 9
// until it fits (a finest code keeps 10 pixels clear of the asterisk). A name
// too wide even at 9 goes on two lines, broken between characters. With a
// highlight, the distinct characters are drawn again in magenta over the black.
//   emptyCode is set when the code is empty (the window then says "no id!").
struct EntryLabel {
    std::vector<TextRun> runs;
    bool emptyCode = false;
};
EntryLabel LayoutEntryLabel(const TextMeasure& m, int tileWidth, int tileHeight, const std::string& code,
                            const std::string& name, const std::string& flag,
                            const std::optional<Highlight>& highlight = std::nullopt);

} // namespace outline
