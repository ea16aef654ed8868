#pragma once
// The outline browser's state and its transitions, without a toolkit. The window
// owns one OutlineBrowser, forwards each tile or button release to it and then
// shows the tiles as the records say (visible, position, picture).
//
// Levels: currentLevel() 0 shows the chapter grid; at level n path tiles 1..n hold
// the chain from the chapter down to the row or code whose children the entry
// tiles list, directly below path tile n. Records are 1-based, as the tiles'
// tags are.
//
//   chapter tile k      -> level 1: path tile 1 (blue bar) and the chapter's blocks
//   path tile t         -> level t: its children listed again
//   entry, flag not "Y" -> one level deeper (green bar; the asterisk bar when
//                          nothing lies below it)
//   entry, flag "Y"     -> pinned to the first free slot (a code pinned already,
//                          or all five slots in use: nothing)
//   Home                -> level 0          Back -> one level up
//   a pin slot          -> emptied, the used slots move up
//
// Rows below the outline come from the code table (listDatabaseCodes); engine
// errors propagate as db::Error with the records as far as the handler got (the
// entries it hid stay hidden).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "outline/labellayout.h"
#include "outline/outlinemodel.h"

namespace db {
class Query;
}

namespace outline {

inline constexpr int kChapterTiles = 22;
inline constexpr int kPathTiles = 10;
inline constexpr int kEntryTiles = 40;
inline constexpr int kPinSlots = 5;
inline constexpr int kRowHeight = 32; // a 30-pixel bar and 2 pixels between rows

// The template pictures a tile's own picture is copied from.
enum class Template {
    ChapterButton, // blue rounded button, 140 x 43
    BlueBar,       // first path tile (the chapter)
    GreenBar,      // path tile
    PaleYellowBar, // entry tile, empty pin slot
    AsteriskBar,   // finest-code entry; a path tile with nothing below it
};

enum class LabelKind { None, Chapter, FirstPath, Entry };

// Everything a tile's picture shows: its template and the text drawn into it.
// Two equal pictures look the same, so the window draws a tile again only when
// its picture changed.
struct TilePicture {
    Template base = Template::PaleYellowBar;
    LabelKind kind = LabelKind::None;
    int number = 0; // chapter number (chapter tile, first path tile)
    std::string code;
    std::string name;
    std::string flag;
    std::optional<Highlight> highlight;
    // The English name of a code from the code table (outline rows have
    // none): not drawn, but part of the tile's tooltip.
    std::string english;
    bool operator==(const TilePicture&) const = default;
};

// The tooltip of a tile: its code (or range), Chinese and English names, one
// a line; "" for a tile that shows nothing.
//   {code "S93401A", name "右踝扭傷", english "Sprain of right ankle"} =>
//     "S93.401A\n右踝扭傷\nSprain of right ankle"
std::string TileToolTip(const TilePicture& picture);

struct ChapterTile {
    std::string name;
    std::string code;
    bool visible = false;
    TilePicture picture;
};

struct PathTile {
    std::string name;
    std::string code;
    int level = 0;
    bool visible = false;
    TilePicture picture;
};

struct EntryTile {
    std::string name;
    std::string code;
    std::string flag;
    bool visible = false;
    int top = 0; // in the tile area's content coordinates
    TilePicture picture;
};

struct PinSlot {
    bool pinned = false; // it holds a code
    std::string code;    // the stored code
    TilePicture picture;
};

// Tile geometry in the tile area.
inline int ChapterTileLeft(int k) {
    return k % 2 == 1 ? 4 : 4 + kChapterTileWidth + 4;
}
inline int ChapterTileTop(int k) {
    return ((k - 1) / 2) * (kChapterTileHeight + 4);
}
inline int PathTileTop(int t) {
    return (t - 1) * kRowHeight;
}
inline constexpr int kTileLeft = 4;

class OutlineBrowser {
public:
    // lines: the outline of the mode; query: the listing query, bound to the
    // application's connection.
    OutlineBrowser(const std::vector<std::string>& lines, bool icd11Mode, db::Query& query);

    bool icd11Mode() const { return m_icd11; }
    int currentLevel() const { return m_level; }
    const std::vector<std::string>& outlineLines() const { return m_lines; }

    const ChapterTile& chapterTile(int k) const { return m_chapters.at(static_cast<std::size_t>(k - 1)); }
    const PathTile& pathTile(int t) const { return m_paths.at(static_cast<std::size_t>(t - 1)); }
    const EntryTile& entryTile(int e) const { return m_entries.at(static_cast<std::size_t>(e - 1)); }
    const PinSlot& pinSlot(int s) const { return m_pins.at(static_cast<std::size_t>(s - 1)); }
    int visibleEntryCount() const;

    // Releases on the tiles and buttons.
    void openChapter(int k);  // chapter tile k
    void openPathTile(int t); // path tile t
    void openEntry(int e);    // entry tile e
    void goHome();            // Home
    void goBack();            // Back
    void emptyPinSlot(int s); // pin slot s (1 = the top one)

    // Pins a finest code as pressing its entry tile does: to the first free
    // slot, with the picture given; a code pinned already, or all five slots in
    // use, changes nothing. Returns the slot that holds the code (0: none).
    int pinCode(const std::string& code, const TilePicture& picture);

    // The code of the level whose children are listed (the deepest path tile),
    // "" at the chapter grid.
    std::string currentCode() const;

    // The code a hand-off arrow sends: the first word of its slot's stored code
    // ("" for an empty slot).
    std::string handOffCodeOf(int s) const;

    // Fills the entry tiles from the code table, under the given level; returns how many
    // rows were listed (at most 40).
    int listDatabaseCodes(const std::string& code, int level);
    void highlightDistinctParts();
    void compactPinSlots();
    void hideChapterTiles();

    // The statements the last listing from the code table sent, in order (the
    // single-code listing tries up to three lengths).
    const std::vector<std::string>& listingStatements() const { return m_statements; }

private:
    void showChapterTiles();
    void hideEntryTiles();
    // Lists the outline children of code under the given level; returns their number.
    int listOutlineChildren(const std::string& code, int level);
    void fillEntry(int e, const std::string& code, const std::string& name, const std::string& flag,
                   int level, const std::string& english = {});

    std::vector<std::string> m_lines;
    bool m_icd11;
    db::Query& m_query;
    int m_level = 0;
    std::array<ChapterTile, kChapterTiles> m_chapters;
    std::array<PathTile, kPathTiles> m_paths;
    std::array<EntryTile, kEntryTiles> m_entries;
    std::array<PinSlot, kPinSlots> m_pins;
    std::vector<std::string> m_statements;
};

// The listing statements. Values go between single quotes with each quote
// doubled.
//   RangeListingStatement("A00", "A09") =>
//     SELECT * FROM ICD10 WHERE ICD10_NO >= 'A00' AND ICD10_NO<='A09' AND LEN(ICD10_NO)=3 ORDER BY ICD10_NO
//   CodeListingStatement("A01", 4) =>
//     SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'A01%' AND LEN(ICD10_NO)=4 ORDER BY ICD10_NO
std::string RangeListingStatement(const std::string& lower, const std::string& upper);
std::string CodeListingStatement(const std::string& code, std::size_t length);

} // namespace outline
