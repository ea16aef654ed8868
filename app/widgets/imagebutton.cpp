#include "app/widgets/imagebutton.h"

#include <QMouseEvent>

namespace app {

ImageButton::ImageButton(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setCursor(Qt::PointingHandCursor);
}

void ImageButton::setPicture(const QPixmap& picture) {
    m_picture = picture;
    setPixmap(picture);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (m_down) return; // a second button while one is held: one press only
    m_down = true;
    move(x() + 2, y() + 2);
    emit pressed(this);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!m_down) return;
    if (event->buttons() != Qt::NoButton) return; // wait for the last held button
    m_down = false;
    move(x() - 2, y() - 2);
    emit released(this);
}

// A double-click is a second press followed by a second release.
void ImageButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

} // namespace app
