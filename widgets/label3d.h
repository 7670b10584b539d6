#pragma once

#include <QLabel>
#include <QtGlobal>

class QPainter;

namespace tornel {

// Depth of the 3-D effect in pixels. Designed for 0..4; larger values are used as they are.
using TLabel3DGlub = quint8;

// A text label whose caption looks embossed or engraved: behind the caption, drawn in the
// label's font colour, two copies are drawn displaced diagonally by Glub pixels, one in the
// palette's light 3-D edge colour and one in its dark 3-D edge colour.
//
// Everything else (text, font, colours, alignment, size hint, visibility, mouse events) is
// the plain QLabel's. The caption is drawn as plain text; it always wraps at word boundaries,
// expands tabs and starts at the top, whatever wordWrap() says.
//
// In a Designer form, promote a QLabel to `tornel::TLabel3D` with header "widgets/label3d.h";
// the form may then set <property name="Style"><enum>lsRaised</enum></property> and
// <property name="Glub"><number>1</number></property>.
class TLabel3D : public QLabel {
    Q_OBJECT
    Q_PROPERTY(TLabel3DStyle Style READ style3D WRITE setStyle)
    Q_PROPERTY(quint8 Glub READ glub WRITE setGlub)
    Q_PROPERTY(bool ShowAccelChar READ showAccelChar WRITE setShowAccelChar)
    Q_PROPERTY(bool Transparent READ isTransparent WRITE setTransparent)

  public:
    // Which copy gets which edge colour: the copy up and to the left, then the one down
    // and to the right. Raised: light, dark (embossed). Lowered: dark, light (engraved).
    // Normal: light on both sides.
    enum TLabel3DStyle : quint8 { lsLowered, lsNormal, lsRaised };
    Q_ENUM(TLabel3DStyle)

    explicit TLabel3D(QWidget* parent = nullptr);
    explicit TLabel3D(const QString& text, QWidget* parent = nullptr);

    // QWidget::style() returns the widget's QStyle, so the 3-D style is read as style3D().
    TLabel3DStyle style3D() const { return style_; }
    TLabel3DGlub glub() const { return glub_; }
    // Whether '&' marks the next letter (underlined, '&' itself not drawn) or is drawn as is.
    bool showAccelChar() const { return showAccelChar_; }
    // A transparent label skips the background fill and draws its caption over the parent.
    bool isTransparent() const { return transparent_; }

    // Each setter stores the value and repaints the whole label, even when the value is the
    // same as before. These are accessors and mutators, named like the value they hold (as in
    // the core); the names must stay as they are: the uic-generated form code calls
    // set<Property> for every property a form sets ("Style" -> setStyle, "Glub" -> setGlub,
    // "Transparent" -> setTransparent, "ShowAccelChar" -> setShowAccelChar).
    using QLabel::setStyle;  // keep QWidget::setStyle(QStyle*) visible beside the overload
    void setStyle(TLabel3DStyle style);
    void setGlub(TLabel3DGlub glub);
    void setShowAccelChar(bool show);
    void setTransparent(bool transparent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void DrawCaption3D(QPainter& painter) const;
    int TextFlags() const;
    QRect CaptionRect() const;

    TLabel3DStyle style_ = lsLowered;
    TLabel3DGlub glub_ = 1;
    bool showAccelChar_ = true;
    bool transparent_ = false;
};

}  // namespace tornel
