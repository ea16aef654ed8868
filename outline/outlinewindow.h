#pragma once
// The chapter outline browser (working window number 2): chapter tiles, then
// level by level the blocks of the chosen chapter and the codes below them,
// drawn as picture tiles in the scroll box; finest codes pinned to five slots
// and handed to the consultation program from there.
//
// The window only shows what its OutlineBrowser records say: every release goes
// to the browser, then the tiles are refilled, moved, shown and hidden to match.
// The 72 tiles are created once; a tile's text is drawn into its own copy of its
// template picture only when what it shows changes.

#include <array>
#include <memory>

#include <QPixmap>

#include "app/widgets/workingwindow.h"
#include "codes/billable.h"
#include "db/query.h"
#include "outline/browser.h"

class QScrollArea;

namespace Ui {
class OutlineWindow;
}

namespace app {
class ImageButton;
}

namespace outline {

class OutlineWindow : public app::WorkingWindow {
    Q_OBJECT
public:
    // icd11Mode: the two ICD-11 traditional-medicine chapters instead of
    // ICD-10-CM's 22, for the window's whole life.
    OutlineWindow(app::AppContext& context, bool icd11Mode, QWidget* parent = nullptr);
    ~OutlineWindow() override;

    const OutlineBrowser& browser() const { return *m_browser; }

    // The pictures, for tests and screenshots (1-based, as the tags are).
    app::ImageButton* chapterTileImage(int k) const {
        return m_chapterImages.at(static_cast<std::size_t>(k - 1));
    }
    app::ImageButton* pathTileImage(int t) const { return m_pathImages.at(static_cast<std::size_t>(t - 1)); }
    app::ImageButton* entryTileImage(int e) const {
        return m_entryImages.at(static_cast<std::size_t>(e - 1));
    }
    app::ImageButton* pinSlotImage(int s) const { return m_pinImages.at(static_cast<std::size_t>(s - 1)); }
    app::ImageButton* handOffImage(int s) const {
        return m_handOffImages.at(static_cast<std::size_t>(s - 1));
    }
    app::ImageButton* homeImage() const;
    app::ImageButton* backImage() const;
    app::ImageButton* closeImage() const;
    QScrollArea* scrollBox() const;

    // Release on any picture or tile: the dispatch.
    void pictureReleased(app::ImageButton* sender);
    // F2: the billable codes under the code whose children are listed, in the
    // chooser; the chosen code is pinned as its tile would be and, when the
    // hand-off arrows are shown, handed off as its arrow would.
    void chooseUnderCurrentCode();
    // One wheel step over the tile area: one line down for a negative delta,
    // one line up otherwise.
    void scrollByWheel(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The arrows and the caption under the pinned slots that names them.
    void showHandOff(bool offered) override;

private:
    void setUp(bool icd11);
    void loadPictures();
    void setUpPins();
    void setUpLook(bool icd11);
    void setUpKeyboard();
    void createTiles();
    app::ImageButton* newTile(int tag, QSize size);

    // Runs a transition of the browser; an engine error is shown as its message
    // and the tiles show what the browser got to.
    template <typename F> void runTransition(F&& transition);
    void handOffPinned(int slot);
    void pinChosen(const codes::CodeRow& row);

    // Brings every picture in line with the browser's records.
    void showState();
    // Gives the focus to the first tile of the level shown.
    void focusFirstTile();
    void showTile(app::ImageButton* image, const TilePicture& picture, TilePicture& drawn, bool entryLabel);
    QPixmap drawTile(const TilePicture& picture, bool reportEmptyCode);
    // Code and name of an entry or path tile (font steps, two lines, the
    // distinct part in magenta); an empty code says "no id!" when asked to.
    void drawEntryLabel(QPixmap& pm, const TilePicture& picture, bool reportEmptyCode);
    void paintRuns(QPixmap& pm, const std::vector<TextRun>& runs) const;
    const QPixmap& templatePicture(Template t) const;

    std::unique_ptr<Ui::OutlineWindow> m_ui;
    db::Query m_listingQuery;
    std::unique_ptr<OutlineBrowser> m_browser;

    std::array<app::ImageButton*, kChapterTiles> m_chapterImages{};
    std::array<app::ImageButton*, kPathTiles> m_pathImages{};
    std::array<app::ImageButton*, kEntryTiles> m_entryImages{};
    std::array<app::ImageButton*, kPinSlots> m_pinImages{};
    std::array<app::ImageButton*, kPinSlots> m_handOffImages{};

    // What each picture shows now (so a picture is drawn only when it changes).
    std::array<TilePicture, kPathTiles> m_pathDrawn;
    std::array<TilePicture, kEntryTiles> m_entryDrawn;
    std::array<TilePicture, kPinSlots> m_pinDrawn;
    int m_shownLevel = 0;

    // The template pictures the tiles are drawn on.
    QPixmap m_asteriskBar;   // pale yellow bar with the red asterisk: a finest code
    QPixmap m_chapterButton; // blue chapter button
    QPixmap m_greenBar;      // green bar: a path tile
    QPixmap m_paleYellowBar; // pale yellow bar: an entry, an empty pin slot
    QPixmap m_blueBar;       // blue bar: the chapter as the first path tile
};

} // namespace outline
