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
    bool dither = false;          // error diffusion, for soft gradients
    std::vector<Colour> leading{};  // entries that open the table as they are (the fade colours)
};

// Turns a picture into an 8-bit bitmap with a colour table of its own. Black and white are
// always exact entries, so masks and grounds stay pure.
Bitmap quantise(const QImage& image, const QuantiseOptions& options = {});

// The `count` colours that show a weighted set of packed 0xRRGGBB colours best beside the
// `given` ones, which take part as they are: a weighted median cut, refined by k-means. Fewer
// distinct colours than asked are returned as they are, padded with black.
using ColourHistogram = std::vector<std::pair<std::uint32_t, double>>;
std::vector<Colour> fit_colours(const ColourHistogram& histogram, int count, const std::vector<Colour>& given);

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
    // Green kept low against blue, so that the navy never turns teal.
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

// The language of the words drawn from now on: Japanese for assets/, English for assets/en/.
void draw_english_words(bool english);
bool drawing_english_words();
// The words of a picture in the language being drawn.
QString words(const char* japanese, const char* english);

// The game's lettering: IPAPGothic (or IPAPMincho) paths, emboldened by a stroke; in English the
// round URW Gothic (or the book face P052, for the story).
QFont ui_font(double pixel_size, bool mincho = false);
// The logo's face in every language: the logo is the game's name in katakana.
QFont logo_font(double pixel_size);
// The faces ui_font draws with, to check that they are installed.
std::vector<const char*> lettering_families();
QPainterPath text_path(const QString& text, const QFont& font, const QRectF& box, Qt::Alignment align);
// `path` narrowed about its centre to `width` when it is wider.
QPainterPath narrowed_to(const QPainterPath& path, double width);
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

// open_image, open_image2, icon; open_image's table opens with the fade colours, fitted to the
// screens composed from the title and `other_pictures`.
std::vector<Picture> make_title_pictures(const std::vector<Picture>& other_pictures);
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
// help.html in the language being drawn.
bool write_help_page(const std::string& folder);
extern const char* const english_help_body;  // from <body> to </html>

// ---- fade colours ----------------------------------------------------------------------------

// The pictures the screens are composed of.
struct ScreenPictures {
    Surface open, open2, option, rank, rank2, back, restart, moji, moji2, story, story1, story2;
    Surface blocks[9];
};
ScreenPictures load_screen_pictures(const std::string& folder);
// From made pictures; `title` stands in for open_image.
ScreenPictures screen_pictures(const std::vector<Picture>& pictures, const QImage& title);

// Every picture the game fades, composed as the game shows it: the title with a lit entry,
// options, rankings, official and option play, game over, the opening's last picture and the story's last picture.
struct FadedScreen {
    const char* name;
    QImage image;
};
std::vector<FadedScreen> faded_screens(const ScreenPictures& pictures);

// A fade shows a screen in the first 216 entries of the title's table, with black behind them.
inline constexpr int fade_colour_count = 216;
// The 216 colours that show the faded screens best: k-means over their pixels, weighted by
// area and, round by round, towards the screens whose worst pixels fare worst.
std::vector<Colour> fit_fade_colours(const std::vector<FadedScreen>& screens);
// A screen as a fade shows it, and its colour error there (RGB distance per pixel).
QImage as_faded(const QImage& screen, const Palette& title_palette);
struct ColourError {
    double mean, p99;
};
ColourError fade_error(const QImage& screen, const Palette& title_palette);

// Sample screens composed from the pictures in `folder`, as the game composes them.
QImage make_screen_previews(const std::string& folder);

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kelvora::tools
