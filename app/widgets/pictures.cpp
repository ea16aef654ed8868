#include "app/widgets/pictures.h"

#include <QPainter>
#include <QSvgRenderer>

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
    QFont::insertSubstitutions(QStringLiteral("細明體"), {ming, QStringLiteral("AR PL UMing CN")});
    QFont::insertSubstitutions(QStringLiteral("新細明體"), {ming});
    QFont::insertSubstitutions(QStringLiteral("標楷體"), {kai, QStringLiteral("AR PL UKai CN")});
    QFont::insertSubstitutions(QStringLiteral("微軟正黑體"), {ming});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("Times"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
}

QFont PixelFont(const QString& face, int pixelSize, bool bold) {
    QFont f(face);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

} // namespace app
