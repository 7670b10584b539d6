#include "widgets/label3d.h"

#include <QPainter>
#include <QPalette>

namespace tornel {

TLabel3D::TLabel3D(QWidget* parent) : TLabel3D(QString(), parent) {}

TLabel3D::TLabel3D(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // The members already hold the defaults; nothing here asks for a repaint.
    // An opaque label covers its whole rectangle, so Qt need not paint the parent beneath.
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent_);
}

void TLabel3D::setStyle(TLabel3DStyle style) {
    style_ = style;
    update();
}

void TLabel3D::setGlub(TLabel3DGlub glub) {
    glub_ = glub;
    update();
}

void TLabel3D::setShowAccelChar(bool show) {
    showAccelChar_ = show;
    update();
}

void TLabel3D::setTransparent(bool transparent) {
    transparent_ = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent_);
    update();
}

void TLabel3D::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!transparent_) {
        painter.fillRect(rect(), palette().color(backgroundRole()));
    }
    drawFrame(&painter);
    DrawCaption3D(painter);
}

// The caption goes where QLabel would put it: inside the frame and the margin.
QRect TLabel3D::CaptionRect() const {
    const int m = margin();
    return contentsRect().adjusted(m, m, -m, -m);
}

int TLabel3D::TextFlags() const {
    int flags = Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
    const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignRight) {
        flags |= Qt::AlignRight;
    } else if (horizontal & Qt::AlignHCenter) {
        flags |= Qt::AlignHCenter;
    } else {
        flags |= Qt::AlignLeft;
    }
    // Without a mnemonic flag QPainter draws '&' as an ordinary character.
    if (showAccelChar_) {
        flags |= Qt::TextShowMnemonic;
    }
    return flags;
}

// Back to front: the copy up and to the left, the copy down and to the right, then the
// caption itself. The light and dark colours are the palette's 3-D edge colours, so they
// follow the desktop's colour scheme like the edges of buttons do.
void TLabel3D::DrawCaption3D(QPainter& painter) const {
    const QRect r = CaptionRect();
    const int flags = TextFlags();
    const QPalette& pal = palette();
    painter.setFont(font());

    if (isEnabled()) {
        const QColor light = pal.color(QPalette::Light);
        const QColor dark = pal.color(QPalette::Dark);
        const int g = glub_;
        painter.setPen(style_ == lsLowered ? dark : light);
        painter.drawText(r.translated(-g, -g), flags, text());
        painter.setPen(style_ == lsRaised ? dark : light);
        painter.drawText(r.translated(g, g), flags, text());
        painter.setPen(pal.color(foregroundRole()));
    } else {
        // The scheme's disabled-text colour, the one a plain disabled label uses too.
        painter.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
    }
    painter.drawText(r, flags, text());
}

}  // namespace tornel
