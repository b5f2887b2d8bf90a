// The story: its picture, laid out as comic panels that the story screen reveals one after the
// other, and its text sheet with the 1-bit mask.

#include <QLinearGradient>

#include <array>
#include <cmath>

#include "tools/asset_kit.hpp"

namespace kelvora::tools {
namespace {

// Panels of the story picture, in the order the story screen fades them in: the middle first,
// then the four side panels together.
const QRectF middle_panel(145, 0, 205, 380);
const std::array<QRectF, 4> side_panels{
    QRectF(10, 30, 115, 100),
    QRectF(10, 130, 115, 80),
    QRectF(10, 210, 115, 160),
    QRectF(370, 45, 120, 130),
};

void frame(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(3, 6, 18), 3));
    p.drawRect(r.adjusted(1.5, 1.5, -1.5, -1.5));
    p.setPen(QPen(QColor(150, 195, 255, 190), 1));
    p.drawRect(r.adjusted(3.5, 3.5, -3.5, -3.5));
    p.restore();
}

void paint_child(QPainter& p, QPointF feet, double h) {
    // A small silhouette reaching up into the rain.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(5, 10, 26);
    p.setPen(QPen(ink, h * 0.075, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(ink);
    const QPointF hip(feet.x(), feet.y() - h * 0.42);
    const QPointF neck(feet.x(), feet.y() - h * 0.78);
    p.drawLine(hip, QPointF(feet.x() - h * 0.1, feet.y()));
    p.drawLine(hip, QPointF(feet.x() + h * 0.1, feet.y()));
    QPainterPath coat;
    coat.moveTo(neck.x() - h * 0.08, neck.y());
    coat.lineTo(neck.x() + h * 0.08, neck.y());
    coat.lineTo(hip.x() + h * 0.16, hip.y() + h * 0.06);
    coat.lineTo(hip.x() - h * 0.16, hip.y() + h * 0.06);
    coat.closeSubpath();
    p.drawPath(coat);
    p.drawLine(QPointF(neck.x() + h * 0.04, neck.y() + h * 0.04), QPointF(neck.x() + h * 0.2, neck.y() - h * 0.2));
    p.drawLine(QPointF(neck.x() - h * 0.04, neck.y() + h * 0.04), QPointF(neck.x() - h * 0.12, neck.y() + h * 0.2));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(neck.x(), neck.y() - h * 0.1), h * 0.1, h * 0.11);
    p.restore();
}

void paint_middle(QPainter& p) {
    const QRectF r = middle_panel;
    p.save();
    p.setClipRect(r);
    NightStyle night;
    night.seed = 505;
    night.top = QColor(6, 10, 34);
    night.bottom = QColor(20, 40, 90);
    night.lights = 18;
    night.streaks = 140;
    paint_night(p, r, night);
    // Buildings in the distance.
    Rng rng(55);
    double x = r.left();
    while (x < r.right()) {
        const double w = rng.range(22, 44), top = rng.range(200, 270);
        p.fillRect(QRectF(x, top, w - 2, r.bottom() - top), QColor(8, 14, 34));
        for (double wy = top + 8; wy < 330; wy += 12)
            for (double wx = x + 4; wx < x + w - 8; wx += 9)
                if (rng.uniform() < 0.35) p.fillRect(QRectF(wx, wy, 4, 6), QColor(255, 210, 130, 170));
        x += w;
    }
    // The wet street and the puddle the child stands in.
    QLinearGradient street(QPointF(0, 320), QPointF(0, 380));
    street.setColorAt(0, QColor(12, 22, 50));
    street.setColorAt(1, QColor(26, 50, 100));
    p.fillRect(QRectF(r.left(), 320, r.width(), 60), street);
    paint_ripple(p, QPointF(248, 352), 40, QColor(170, 210, 255, 150));
    paint_ripple(p, QPointF(190, 368), 16, QColor(170, 210, 255, 110));
    paint_ripple(p, QPointF(320, 340), 14, QColor(170, 210, 255, 110));
    // A chain of light rising from the child's hand.
    const QPointF hand(258, 254);
    for (int i = 0; i < 12; ++i) {
        const double t = i / 11.0;
        const QPointF c(hand.x() + std::sin(t * 5.2) * 40 * t, hand.y() - 22 - t * 210);
        paint_drop(p, c, 20 - 8 * t, drop_colour(i % 6));
    }
    paint_glow(p, hand, 30, QColor(120, 190, 255, 160));
    paint_child(p, QPointF(248, 345), 90);
    p.restore();
    frame(p, r);
}

void paint_window_panel(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    p.fillRect(r, QColor(18, 22, 44));
    const QRectF glass = r.adjusted(14, 12, -14, -12);
    QRadialGradient warm(glass.center(), glass.width());
    warm.setColorAt(0, QColor(255, 200, 120));
    warm.setColorAt(1, QColor(150, 80, 40));
    p.fillRect(glass, warm);
    // the grandmother's silhouette at the window
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 30, 20));
    p.drawEllipse(QPointF(glass.left() + 30, glass.bottom() - 34), 10, 11);
    p.drawRoundedRect(QRectF(glass.left() + 14, glass.bottom() - 24, 32, 30), 10, 10);
    p.setPen(QPen(QColor(40, 30, 40), 4));
    p.drawLine(QPointF(glass.center().x(), glass.top()), QPointF(glass.center().x(), glass.bottom()));
    p.drawLine(QPointF(glass.left(), glass.center().y()), QPointF(glass.right(), glass.center().y()));
    Rng rng(61);
    for (int i = 0; i < 9; ++i)
        paint_drop(p, QPointF(rng.range(glass.left(), glass.right()), rng.range(glass.top(), glass.bottom())), 8,
                   drop_colour(i % 4), false);
    p.restore();
    frame(p, r);
}

void paint_touch_panel(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    p.fillRect(r, QColor(6, 12, 32));
    const QPointF c(r.center().x() + 8, r.center().y() - 2);
    // light bursting from the touch
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        p.setPen(QPen(QColor(120, 190, 255, 160), 1.5));
        p.drawLine(QPointF(c.x() + std::cos(a) * 10, c.y() + std::sin(a) * 10),
                   QPointF(c.x() + std::cos(a) * 34, c.y() + std::sin(a) * 34));
    }
    paint_glow(p, c, 34, QColor(90, 160, 255, 200));
    paint_drop(p, c, 22, QColor(60, 130, 255));
    // the fingertip reaching in from the left
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 190, 160));
    p.drawRoundedRect(QRectF(r.left() - 10, c.y() + 6, 62, 14), 7, 7);
    p.restore();
    frame(p, r);
}

void paint_town_panel(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(10, 16, 46));
    sky.setColorAt(1, QColor(30, 56, 110));
    p.fillRect(r, sky);
    Rng rng(71);
    double x = r.left();
    while (x < r.right()) {
        const double w = rng.range(20, 34), top = r.top() + rng.range(40, 90);
        p.fillRect(QRectF(x, top, w - 2, r.bottom() - top), QColor(10, 16, 36));
        for (double wy = top + 6; wy < r.bottom() - 6; wy += 11)
            for (double wx = x + 3; wx < x + w - 7; wx += 8)
                if (rng.uniform() < 0.75) {
                    const QColor c = rng.uniform() < 0.8 ? QColor(255, 214, 140) : drop_colour(int(rng.next() % 6));
                    p.fillRect(QRectF(wx, wy, 4, 6), c);
                }
        x += w;
    }
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 50; ++i) {
        const QPointF a(rng.range(r.left() - 10, r.right()), rng.range(r.top(), r.bottom()));
        p.setPen(QPen(QColor(190, 215, 255, 90), 0.8));
        p.drawLine(a, a + QPointF(2.5, 14));
    }
    p.restore();
    frame(p, r);
}

void paint_sky_panel(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(16, 20, 56));
    sky.setColorAt(1, QColor(40, 60, 120));
    p.fillRect(r, sky);
    // clouds
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 80, 130));
    const QPointF puffs[] = {{395, 70}, {420, 62}, {447, 68}, {470, 76}, {410, 82}, {440, 85}};
    for (QPointF c : puffs) p.drawEllipse(c, 22, 15);
    // singing drops and notes
    for (int i = 0; i < 5; ++i) paint_drop(p, QPointF(388 + i * 22, 112 + (i % 2) * 18), 13, drop_colour(i));
    const QFont font = logo_font(20);  // notes, the same in every language
    const QPainterPath note = text_path(QString::fromUtf8("♪"), font, QRectF(380, 140, 40, 30), Qt::AlignCenter);
    paint_lettering(p, note, QColor(255, 240, 170), QColor(0, 0, 0, 0), 0, 0.5);
    const QPainterPath note2 = text_path(QString::fromUtf8("♫"), font, QRectF(440, 138, 40, 30), Qt::AlignCenter);
    paint_lettering(p, note2, QColor(170, 230, 255), QColor(0, 0, 0, 0), 0, 0.5);
    p.restore();
    frame(p, r);
}

QImage paint_story_picture() {
    QImage image = new_canvas(500, 380);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    NightStyle night;
    night.seed = 500;
    night.lights = 16;
    night.streaks = 200;
    paint_night(p, QRectF(0, 0, 500, 380), night);
    paint_middle(p);
    paint_window_panel(p, side_panels[0]);
    paint_touch_panel(p, side_panels[1]);
    paint_town_panel(p, side_panels[2]);
    paint_sky_panel(p, side_panels[3]);
    return image;
}

// ---- the story text ---------------------------------------------------------------------------

struct StoryLine {
    int top;  // the line's 20-pixel slot; the story screen reveals whole slots
    const char* text;
    const char* english;
};

// Lines are placed so that every band the story screen reveals ends on a line boundary; bands
// that are 28 pixels high hold one line with room above it.
const std::array<StoryLine, 19> story_lines{{
    {73, "雨の降る夜、町の灯りはみんなにじんで見えた。",
     "On rainy nights, every light in town looked blurred."},
    {93, "空から落ちてくる雨粒は、ひと粒ひと粒が色を持っている。",
     "Each drop that fell from the sky had a colour of its own."},
    {113, "赤い粒、青い粒、黄色い粒、みどりの粒。",
     "Red drops, blue drops, yellow drops, green drops."},
    {133, "同じ色の粒がよりそうと、ぽんと弾けて光になる。",
     "When drops of one colour touched, they popped into light."},
    {153, "人びとはその不思議な雨を「ケルボラ」と呼んだ。",
     "People called that strange rain “Kelvora”."},
    {173, "「ケルボラが降る夜は、空が歌いたがっているんだよ」",
     "“When Kelvora falls, the sky wants to sing.”"},
    {193, "おばあさんはそう言って、窓の外を見つめていた。",
     "So the old woman would say, gazing out of the window."},
    {217, "少年は傘もささずに、夜の通りへ飛び出した。",
     "A boy ran out into the night street without an umbrella."},
    {241, "手をのばすと、雨粒がひとつ、指先に触れた。",
     "He reached out, and a raindrop touched his fingertip."},
    {261, "ぱちん。小さな音とともに、青い光がひろがる。",
     "Pop! With a tiny sound, a blue light spread."},
    {281, "となりの粒も、そのとなりの粒も、つぎつぎに弾けていく。",
     "The drop beside it, and the next, burst one after another."},
    {301, "光は連なり、鎖のように夜空へのぼっていった。",
     "The lights linked up and climbed the night sky like a chain."},
    {321, "連なるほどに、光は強く、あたたかくなる。",
     "The longer the chain, the brighter and warmer the light."},
    {341, "気がつくと、町じゅうの窓に灯りがともっていた。",
     "Before he knew it, every window in town was lit."},
    {361, "雨の音は、いつのまにか音楽に変わっていた。",
     "The sound of the rain had turned into music."},
    {385, "けれど雨はやまない。空はまだ歌い足りないのだ。",
     "But the rain does not stop. The sky has more to sing."},
    {409, "さあ、きみの番だ。",
     "Now it is your turn."},
    {429, "降りつづく雨粒を、同じ色どうしでつないで弾けさせよう。",
     "Link the falling drops, colour to colour, and make them pop."},
    {449, "いくつの光を、夜空へ届けられるだろうか。",
     "How many lights can you send up into the night sky?"},
}};
const QColor story_outline(8, 12, 30);  // not black: the band blend keys black out

struct StoryText {
    QImage art;
    QImage cover;
};

StoryText paint_story_text() {
    StoryText t{new_canvas(500, 500, story_outline), new_canvas(500, 500, QColor(0, 0, 0, 0))};
    auto draw = [&](const QPainterPath& path, const QBrush& fill, double outline) {
        QPainter a(&t.art);
        paint_lettering(a, path, fill, story_outline, outline, 0.35);
        QPainter c(&t.cover);
        paint_lettering(c, path, QColor(0, 0, 0), QColor(0, 0, 0), outline, 0.35);
    };
    const QPainterPath title = text_path(words("～ 雨粒たちの夜 ～", "~ The Night of the Raindrops ~"), ui_font(28, true),
                                         QRectF(0, 22, 500, 40), Qt::AlignCenter);
    QLinearGradient gold(QPointF(0, 26), QPointF(0, 60));
    gold.setColorAt(0, QColor(255, 246, 210));
    gold.setColorAt(1, QColor(255, 196, 90));
    draw(title, gold, 2.5);
    const QFont font = ui_font(16, true);
    for (const StoryLine& line : story_lines) {
        const QPainterPath path = narrowed_to(
            text_path(words(line.text, line.english), font, QRectF(0, line.top, 500, 20), Qt::AlignCenter), 490);
        draw(path, QColor(232, 240, 255), 2.0);
    }
    return t;
}

}  // namespace

std::vector<Picture> make_story_pictures() {
    std::vector<Picture> out;
    out.push_back({"story_image.bmp", quantise(paint_story_picture(), {.dither = true})});

    const StoryText text = paint_story_text();
    QImage art = text.art;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            if (qAlpha(text.cover.pixel(x, y)) < 128) art.setPixel(x, y, qRgb(0, 0, 0));
    Bitmap sheet = quantise(art);
    Bitmap mask = to_mono(text.cover, [](QRgb v) { return qAlpha(v) < 128; });
    // The ground of the text sheet is exact black wherever the mask lets the picture through.
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            if (mask.index_row(y)[x] == 1) sheet.index_row(y)[x] = 0;
    out.push_back({"story_moji1.bmp", std::move(sheet)});
    out.push_back({"story_moji2.bmp", std::move(mask)});
    return out;
}

}  // namespace kelvora::tools
