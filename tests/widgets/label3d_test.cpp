#include "widgets/label3d.h"

#include "ui_label3d_form.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tornel {
namespace {

// Pure, distinct colours so that every pixel tells which layer drew it.
const QColor kBackground(255, 255, 255);
const QColor kLight(255, 0, 0);
const QColor kDark(0, 0, 255);
const QColor kFront(0, 160, 0);
const QColor kDisabled(255, 0, 255);
const QColor kParent(255, 255, 0);

QPalette TestPalette() {
    QPalette pal;
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::Light, kLight);
    pal.setColor(QPalette::Dark, kDark);
    pal.setColor(QPalette::WindowText, kFront);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, kDisabled);
    // Shadow and Mid deliberately differ from Dark so that a wrong role shows up.
    pal.setColor(QPalette::Shadow, QColor(0, 0, 0));
    pal.setColor(QPalette::Mid, QColor(128, 128, 128));
    return pal;
}

// Without antialiasing every glyph pixel has exactly the pen colour.
QFont TestFont() {
    QFont font("Liberation Sans");
    font.setPixelSize(24);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void Prepare(QLabel& label, const QString& text, QSize size, Qt::Alignment align) {
    label.setText(text);
    label.setPalette(TestPalette());
    label.setFont(TestFont());
    label.setAlignment(align | Qt::AlignTop);
    label.resize(size);
}

QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

using PixelSet = std::set<std::pair<int, int>>;  // (y, x)

PixelSet PixelsOf(const QImage& image, const QColor& colour) {
    PixelSet set;
    const QRgb wanted = colour.rgb();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == wanted) {
                set.emplace(y, x);
            }
        }
    }
    return set;
}

// The set moved by (dx, dy) and cut to the widget's rectangle, as the widget's edge clips it.
PixelSet Shifted(const PixelSet& set, int dx, int dy, QSize clip) {
    PixelSet out;
    for (const auto& [y, x] : set) {
        if (QRect(QPoint(0, 0), clip).contains(x + dx, y + dy)) {
            out.emplace(y + dy, x + dx);
        }
    }
    return out;
}

QRect BoxOf(const PixelSet& set) {
    QRect box;
    for (const auto& [y, x] : set) {
        box |= QRect(x, y, 1, 1);
    }
    return box;
}

std::set<QRgb> ColoursIn(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

std::set<QRgb> Rgbs(std::initializer_list<QColor> colours) {
    std::set<QRgb> out;
    for (const QColor& c : colours) {
        out.insert(c.rgb());
    }
    return out;
}

// The ink of a plain QLabel with the same text, font and alignment: where the front of a
// 3-D label must be.
PixelSet PlainLabelInk(const QString& text, QSize size, Qt::Alignment align) {
    QLabel plain;
    Prepare(plain, text, size, align);
    plain.setAutoFillBackground(true);
    return PixelsOf(Render(plain), kFront);
}

// Two blank lines on top keep the copy that moves up inside the label even with a depth
// larger than the glyphs, so that the three layers do not overlap and each is seen whole.
const QString kSpacedCaption = "\n\nHTIL";
const QSize kWide(320, 150);
constexpr int kDeep = 30;

struct LayerCase {
    TLabel3D::TLabel3DStyle style;
    QColor upLeft;
    QColor downRight;
};

class Label3DLayers : public ::testing::TestWithParam<std::tuple<LayerCase, Qt::AlignmentFlag>> {};

TEST_P(Label3DLayers, CopiesAreTheFrontShiftedByGlubInTheStyleColours) {
    const auto& [c, align] = GetParam();
    TLabel3D label;
    Prepare(label, kSpacedCaption, kWide, align);
    label.setStyle(c.style);
    label.setGlub(kDeep);
    const QImage image = Render(label);

    const PixelSet front = PixelsOf(image, kFront);
    ASSERT_FALSE(front.empty());
    // The front sits where the plain label puts its text, for every alignment.
    EXPECT_EQ(front, PlainLabelInk(kSpacedCaption, kWide, align));

    // With left or right alignment part of one copy falls outside the label and is cut off.
    const PixelSet upLeft = Shifted(front, -kDeep, -kDeep, kWide);
    const PixelSet downRight = Shifted(front, kDeep, kDeep, kWide);
    if (c.upLeft == c.downRight) {
        PixelSet both = upLeft;
        both.insert(downRight.begin(), downRight.end());
        EXPECT_EQ(PixelsOf(image, c.upLeft), both);
    } else {
        EXPECT_EQ(PixelsOf(image, c.upLeft), upLeft);
        EXPECT_EQ(PixelsOf(image, c.downRight), downRight);
    }
    EXPECT_EQ(ColoursIn(image), Rgbs({kBackground, kFront, c.upLeft, c.downRight}));
}

std::string LayerCaseName(
    const ::testing::TestParamInfo<std::tuple<LayerCase, Qt::AlignmentFlag>>& info) {
    static const char* const kStyles[] = {"Lowered", "Normal", "Raised"};
    const Qt::AlignmentFlag align = std::get<1>(info.param);
    const char* where = align == Qt::AlignLeft    ? "Left"
                        : align == Qt::AlignRight ? "Right"
                                                  : "Centre";
    return std::string(kStyles[std::get<0>(info.param).style]) + where;
}

INSTANTIATE_TEST_SUITE_P(
    StylesAndAlignments, Label3DLayers,
    ::testing::Combine(::testing::Values(LayerCase{TLabel3D::lsLowered, kDark, kLight},
                                         LayerCase{TLabel3D::lsNormal, kLight, kLight},
                                         LayerCase{TLabel3D::lsRaised, kLight, kDark}),
                       ::testing::Values(Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight)),
    LayerCaseName);

TEST(Label3DPaint, DepthOneRaisedGivesOnePixelRims) {
    // The title page's heading: light rim one pixel up-left, dark rim one pixel down-right.
    TLabel3D label;
    Prepare(label, " Программатор   репитера ", QSize(360, 40), Qt::AlignLeft);
    label.setStyle(TLabel3D::lsRaised);
    const QImage image = Render(label);
    const QRect front = BoxOf(PixelsOf(image, kFront));
    const QRect light = BoxOf(PixelsOf(image, kLight));
    const QRect dark = BoxOf(PixelsOf(image, kDark));
    ASSERT_FALSE(front.isEmpty());
    EXPECT_EQ(light.topLeft(), front.topLeft() - QPoint(1, 1));
    EXPECT_EQ(dark.bottomRight(), front.bottomRight() + QPoint(1, 1));
    EXPECT_LE(light.right(), front.right() - 1);
    EXPECT_GE(dark.left(), front.left() + 1);
}

TEST(Label3DPaint, GlubZeroLooksLikeAPlainLabel) {
    for (Qt::AlignmentFlag align : {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight}) {
        TLabel3D label;
        Prepare(label, "Tornel-4", QSize(200, 40), align);
        label.setStyle(TLabel3D::lsRaised);
        label.setGlub(0);
        QLabel plain;
        Prepare(plain, "Tornel-4", QSize(200, 40), align);
        plain.setAutoFillBackground(true);
        EXPECT_EQ(Render(label), Render(plain)) << "alignment " << align;
    }
}

TEST(Label3DPaint, DisabledLabelDrawsTheCaptionOnceInTheDisabledColour) {
    TLabel3D label;
    Prepare(label, kSpacedCaption, kWide, Qt::AlignLeft);
    label.setStyle(TLabel3D::lsRaised);
    label.setGlub(kDeep);
    label.setEnabled(false);
    const QImage image = Render(label);
    EXPECT_EQ(ColoursIn(image), Rgbs({kBackground, kDisabled}));
    EXPECT_EQ(PixelsOf(image, kDisabled), PlainLabelInk(kSpacedCaption, kWide, Qt::AlignLeft));
}

TEST(Label3DPaint, LongCaptionWrapsEvenWithoutWordWrap) {
    TLabel3D label;
    Prepare(label, "один два три четыре пять шесть семь", QSize(150, 200), Qt::AlignLeft);
    ASSERT_FALSE(label.wordWrap());
    const QRect front = BoxOf(PixelsOf(Render(label), kFront));
    const int lineHeight = QFontMetrics(TestFont()).lineSpacing();
    EXPECT_GT(front.height(), 2 * lineHeight);
    EXPECT_LT(front.right(), 150);
}

TEST(Label3DPaint, TransparentLabelShowsTheParentBehindItsCaption) {
    for (bool transparent : {false, true}) {
        QWidget parent;
        QPalette parentPalette;
        parentPalette.setColor(QPalette::Window, kParent);
        parent.setPalette(parentPalette);
        parent.setAutoFillBackground(true);
        parent.resize(240, 60);
        auto* label = new TLabel3D(&parent);
        Prepare(*label, " Tornel ", QSize(200, 40), Qt::AlignLeft);
        label->move(20, 10);
        label->setStyle(TLabel3D::lsRaised);
        label->setTransparent(transparent);

        const QImage inside = Render(parent).copy(label->geometry());
        const std::set<QRgb> colours = ColoursIn(inside);
        EXPECT_EQ(colours.count(kBackground.rgb()), transparent ? 0u : 1u);
        EXPECT_EQ(colours.count(kParent.rgb()), transparent ? 1u : 0u);
        // The caption and both copies are drawn either way.
        EXPECT_EQ(colours.count(kFront.rgb()), 1u);
        EXPECT_EQ(colours.count(kLight.rgb()), 1u);
        EXPECT_EQ(colours.count(kDark.rgb()), 1u);
    }
}

PixelSet FrontOf(const QString& text, bool showAccelChar) {
    TLabel3D label;
    Prepare(label, text, kWide, Qt::AlignLeft);
    label.setShowAccelChar(showAccelChar);
    label.setGlub(kDeep);
    return PixelsOf(Render(label), kFront);
}

TEST(Label3DAccelChar, WithoutAccelCharTheAmpersandIsDrawn) {
    const QString text = "\n\nA&B";
    EXPECT_EQ(FrontOf(text, false), PlainLabelInk(text, kWide, Qt::AlignLeft));
    EXPECT_GT(BoxOf(FrontOf(text, false)).width(), BoxOf(FrontOf("\n\nAB", false)).width());
}

TEST(Label3DAccelChar, WithAccelCharTheNextLetterIsUnderlinedInstead) {
    const PixelSet withMark = FrontOf("\n\nA&B", true);
    const PixelSet plain = FrontOf("\n\nAB", true);
    const QRect plainBox = BoxOf(plain);
    // Everything of "AB" is there and no ampersand glyph: the only extra ink is a line
    // below the letters, under the right-hand letter.
    ASSERT_TRUE(std::includes(withMark.begin(), withMark.end(), plain.begin(), plain.end()));
    PixelSet extra;
    std::set_difference(withMark.begin(), withMark.end(), plain.begin(), plain.end(),
                        std::inserter(extra, extra.end()));
    ASSERT_FALSE(extra.empty());
    const QRect underline = BoxOf(extra);
    EXPECT_GT(underline.top(), plainBox.bottom());
    EXPECT_GT(underline.left(), plainBox.center().x() - 2);
    EXPECT_LE(underline.height(), 3);
    EXPECT_EQ(static_cast<int>(extra.size()), underline.width() * underline.height());
}

TEST(Label3DAccelChar, UnderlineIsInEveryLayer) {
    TLabel3D label;
    Prepare(label, "\n\nA&B", kWide, Qt::AlignLeft);
    label.setStyle(TLabel3D::lsRaised);
    label.setGlub(kDeep);
    const QImage image = Render(label);
    const PixelSet front = PixelsOf(image, kFront);
    EXPECT_EQ(PixelsOf(image, kLight), Shifted(front, -kDeep, -kDeep, kWide));
    EXPECT_EQ(PixelsOf(image, kDark), Shifted(front, kDeep, kDeep, kWide));
    EXPECT_EQ(front, FrontOf("\n\nA&B", true));
}

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

TEST(Label3DRepaint, SettingAPropertyToItsOwnValueRepaintsOnce) {
    TLabel3D label("Tornel-4");
    label.resize(200, 40);
    label.show();
    Settle();
    PaintCounter counter;
    label.installEventFilter(&counter);

    Settle();
    EXPECT_EQ(counter.paints, 0) << "no repaint without a reason";

    label.setStyle(label.style3D());
    Settle();
    EXPECT_EQ(counter.paints, 1);

    label.setGlub(label.glub());
    Settle();
    EXPECT_EQ(counter.paints, 2);
}

TEST(Label3DProperties, DefaultsAndSizeOfThePlainLabel) {
    TLabel3D label("Программатор");
    EXPECT_EQ(label.style3D(), TLabel3D::lsLowered);
    EXPECT_EQ(label.glub(), 1);
    EXPECT_TRUE(label.showAccelChar());
    EXPECT_FALSE(label.isTransparent());
    QLabel plain("Программатор");
    EXPECT_EQ(label.sizeHint(), plain.sizeHint());
}

TEST(Label3DProperties, WritableThroughTheMetaObject) {
    TLabel3D label;
    EXPECT_TRUE(label.setProperty("Style", "lsNormal"));
    EXPECT_EQ(label.style3D(), TLabel3D::lsNormal);
    EXPECT_TRUE(label.setProperty("Glub", 7));  // above the designed range: kept as it is
    EXPECT_EQ(label.glub(), 7);
    EXPECT_EQ(label.property("Style").toInt(), int{TLabel3D::lsNormal});
}

TEST(Label3DProperties, DesignerFormPromotesQLabelAndSetsTheProperties) {
    QWidget form;
    Ui::Label3DForm ui;
    ui.setupUi(&form);
    EXPECT_EQ(ui.Label3D1->style3D(), TLabel3D::lsRaised);
    EXPECT_EQ(ui.Label3D1->glub(), 3);
    EXPECT_FALSE(ui.Label3D1->showAccelChar());
    EXPECT_TRUE(ui.Label3D1->isTransparent());
    EXPECT_EQ(ui.Label3D2->style3D(), TLabel3D::lsLowered);
    EXPECT_EQ(ui.Label3D2->glub(), 1);
}

}  // namespace
}  // namespace tornel
