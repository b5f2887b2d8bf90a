#pragma once
// Shared pieces of the asset generator: the quantiser, the drawing helpers every picture uses,
// and the entry points of the picture, sound, tune and help-page makers.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster.hpp"

namespace kelvora::tools {

// ---- quantiser -------------------------------------------------------------------------------

struct QuantiseOptions {
    bool dither = false;       // error diffusion, for soft gradients
    bool colour_cube = false;  // entries 0..215 are the 6x6x6 cube (index 36r + 6g + b)
};

// Turns a picture into an 8-bit bitmap with a colour table of its own. Black and white are
// always exact entries (the cube holds them too), so masks and grounds stay pure.
Bitmap quantise(const QImage& image, const QuantiseOptions& options = {});

// A 1-bit bitmap: 1 (white) wherever `is_white` holds.
template <class Predicate>
Bitmap to_mono(const QImage& image, Predicate is_white) {
    Bitmap out = Bitmap::mono(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) out.index_row(y)[x] = is_white(image.pixel(x, y)) ? 1 : 0;
    return out;
}

QImage to_qimage(const Bitmap& bitmap);

// ---- drawing helpers -------------------------------------------------------------------------

// A small deterministic generator so that every run draws the same rain.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t state_;
};

QImage new_canvas(int width, int height, QColor fill = QColor(0, 0, 0));

// The rainy-night ground shared by every screen: a deep blue gradient, blurred lights far away
// and fine slanted rain.
struct NightStyle {
    // Green kept low against blue: fades show every screen in the title's 6x6x6 cube, where a
    // greener navy would turn teal.
    QColor top{4, 7, 28};
    QColor bottom{12, 24, 88};
    int lights = 26;         // blurred coloured lights
    int streaks = 260;       // rain streaks
    double rain_alpha = 0.22;
    QRectF calm;             // an area kept free of lights and with fainter rain
    std::uint64_t seed = 1;
};
void paint_night(QPainter& p, const QRectF& area, const NightStyle& style);

// A soft round glow (radial gradient to transparent).
void paint_glow(QPainter& p, QPointF centre, double radius, QColor colour, double strength = 1.0);

// A glossy raindrop shape pointing up, centred at `centre`, `size` pixels tall.
void paint_drop(QPainter& p, QPointF centre, double size, QColor colour, bool glow = true);

// Ripples on a puddle: concentric flattened ellipses.
void paint_ripple(QPainter& p, QPointF centre, double radius, QColor colour);

// A rounded panel of smoked glass for text to sit on.
void paint_panel(QPainter& p, const QRectF& rect, double radius, int alpha = 170, QColor edge = QColor(120, 170, 255, 90));

// The game's lettering: IPAPGothic (or IPAPMincho) paths, emboldened by a stroke.
QFont ui_font(double pixel_size, bool mincho = false);
QPainterPath text_path(const QString& text, const QFont& font, const QRectF& box, Qt::Alignment align);
// Draws text as filled path with an optional dark outline and a soft glow behind it.
void paint_lettering(QPainter& p, const QPainterPath& path, const QBrush& fill, QColor outline, double outline_width,
                     double embolden = 0.0);
void paint_plain_text(QPainter& p, const QRectF& box, const QString& text, const QFont& font, QColor colour,
                      Qt::Alignment align);

// ---- makers ----------------------------------------------------------------------------------

struct Picture {
    std::string file_name;
    Bitmap bitmap;
};

// The drop colours of block_image(0)..(8); the title art reuses the first four.
QColor drop_colour(int index);

// One letter of the logo "ケルボラ" in its cell, in its drop colour; `shine` draws it lit up.
void paint_logo_letter(QPainter& p, int index, const QRectF& cell, double size, bool shine);

std::vector<Picture> make_title_pictures();   // open_image, open_image2, icon
std::vector<Picture> make_screen_pictures();  // option_image, rank_image, rank_image2
std::vector<Picture> make_play_pictures();    // back_image, restart_image, block_image0..8
std::vector<Picture> make_moji_pictures();    // moji_image, moji_image2
std::vector<Picture> make_story_pictures();   // story_image, story_moji1, story_moji2

// The icon art drawn `size` pixels square on `ground` (the window icon's is black).
QImage paint_icon(int size, QColor ground);
// The desktop's icons, kelvora_<size>.png for each of desktop_icon_sizes(), into `folder`.
const std::vector<int>& desktop_icon_sizes();
bool write_desktop_icons(const std::string& folder);

bool write_sounds(const std::string& folder);
bool write_tunes(const std::string& folder);
bool write_help_page(const std::string& folder);

// Sample screens composed from the pictures in `folder`, as the game composes them.
QImage make_screen_previews(const std::string& folder);

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kelvora::tools
