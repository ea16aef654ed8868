#pragma once
// The look the windows share, named once: the faces they write in and the
// colours that mean the same thing in every window. A window names the value
// it means instead of spelling it, so the windows cannot drift apart and a
// change of look is made here.
//
//   edit->setFont(app::PixelFont(app::look::kMingFace, 16));
//   app::look::PaintFilterBox(edit);   // pink: typing here searches or filters
//
// The faces are the Windows names the clinics' machines have;
// RegisterFontSubstitutions (pictures.h) maps each onto a font installed here.

#include <QColor>
#include <QStringView>

class QWidget;

namespace app::look {

// Faces.
inline constexpr QStringView kMingFace = u"細明體";                   // the windows' Chinese text
inline constexpr QStringView kKaiFace = u"標楷體";                    // the quiz window
inline constexpr QStringView kJhengHeiFace = u"微軟正黑體";           // the search window's 2023 differences
inline constexpr QStringView kTimesNewRomanFace = u"Times New Roman"; // English names and index entries
inline constexpr QStringView kTimesFace = u"Times";                   // the ranges on the outline's tiles

// Colours.
inline constexpr QColor kFilterPink{255, 192, 192}; // the base of a box whose text searches or filters
inline constexpr QColor kNavy{0, 0, 128};           // text of the search, index, quiz windows; tree selection
inline constexpr QColor kHintGrey{0x5a, 0x6b, 0x82}; // key hints and captions that explain a window

// Gives the box the filter pink as its base colour (the rest of its palette
// stays as it was).
void PaintFilterBox(QWidget* box);

} // namespace app::look
