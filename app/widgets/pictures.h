#pragma once
// Pictures of the windows (SVG in the resources) rendered at the size they are
// shown, and the font faces the windows name.

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QStringView>

namespace app {

// Renders an SVG resource (":/assets/...svg") at exactly this size. A missing
// resource gives a grey picture rather than nothing, so a fault is visible.
QPixmap RenderPicture(const QString& resource, QSize size);

// Maps the Windows faces the windows name (look.h: 細明體, 標楷體, 微軟正黑體,
// Times New Roman) onto the fonts installed here. Called once at start-up and
// by tests.
void RegisterFontSubstitutions();

// A font by face name and pixel size.
QFont PixelFont(QStringView face, int pixelSize, bool bold = false);

} // namespace app
