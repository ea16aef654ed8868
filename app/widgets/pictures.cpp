#include "app/widgets/pictures.h"

#include <QPainter>
#include <QSvgRenderer>

#include "app/widgets/look.h"

namespace app {

QPixmap RenderPicture(const QString& resource, QSize size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QSvgRenderer svg(resource);
    QPainter p(&pm);
    if (svg.isValid())
        svg.render(&p, QRectF(0, 0, size.width(), size.height()));
    else
        p.fillRect(pm.rect(), Qt::gray);
    return pm;
}

void RegisterFontSubstitutions() {
    const QString ming = QStringLiteral("AR PL UMing TW");
    const QString kai = QStringLiteral("AR PL UKai TW");
    const QStringList serif{QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};
    QFont::insertSubstitutions(look::kMingFace.toString(), {ming, QStringLiteral("AR PL UMing CN")});
    QFont::insertSubstitutions(QStringLiteral("新細明體"), {ming});
    QFont::insertSubstitutions(look::kKaiFace.toString(), {kai, QStringLiteral("AR PL UKai CN")});
    QFont::insertSubstitutions(look::kJhengHeiFace.toString(), {ming});
    QFont::insertSubstitutions(look::kTimesNewRomanFace.toString(), serif);
    QFont::insertSubstitutions(look::kTimesFace.toString(), serif);
}

QFont PixelFont(QStringView face, int pixelSize, bool bold) {
    QFont f(face.toString());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

} // namespace app
