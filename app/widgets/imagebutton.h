#pragma once
// A picture that serves as a push button: it sinks 2 pixels right and down
// while a mouse button is held on it and signals on release. Qt grabs the mouse
// on press, so the release belongs to the pressed picture wherever the pointer
// is; the picture always returns to its place. Any mouse button works.
//
// A picture given a focus policy (Qt::TabFocus, so that a click never takes the
// focus from the control the window acts on) shows a focus mark while it has
// the focus, and Space or Enter then acts as a press and release.

#include <QLabel>
#include <QPixmap>

namespace app {

class ImageButton : public QLabel {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    // The picture is drawn stretched over the whole control.
    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return m_picture; }

    // Index of the picture in its window's pool (0 when not in a pool).
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // When set, a double-click is one action: the press and release that
    // follow the first click of a double-click are ignored (no sinking, no
    // signal). Off by default: a double-click acts twice.
    void setDoubleClickIsOneClick(bool on) { m_doubleClickIsOneClick = on; }
    bool doubleClickIsOneClick() const { return m_doubleClickIsOneClick; }

signals:
    void pressed(app::ImageButton* sender);
    void released(app::ImageButton* sender);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    int m_tag = 0;
    bool m_down = false;
    bool m_doubleClickIsOneClick = false;
};

} // namespace app
