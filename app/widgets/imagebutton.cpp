#include "app/widgets/imagebutton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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

// A double-click is a second press followed by a second release: a second
// action, unless the picture takes a double-click as one click. Then the second
// press is swallowed, and with no press held its release is ignored too.
void ImageButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_doubleClickIsOneClick) {
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        // Holding the key down acts once.
        if (event->isAutoRepeat() || m_down) return;
        emit pressed(this);
        emit released(this);
        return;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    // The focus mark: a light frame inside a dark one, seen on any picture.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QRectF r = QRectF(rect()).adjusted(3, 3, -3, -3);
    painter.setPen(QPen(QColor(0x1a, 0x1a, 0x40), 6));
    painter.drawRoundedRect(r, 8, 8);
    painter.setPen(QPen(QColor(0xff, 0xd2, 0x3f), 4));
    painter.drawRoundedRect(r, 8, 8);
}

} // namespace app
