#pragma once
// Our own small raster library, standing in for the Windows drawing calls the game was written
// against. Pure functions over pixel memory: no Qt, no window system.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace kelvora {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Colour, Colour) = default;
    constexpr std::uint32_t packed() const { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b; }
    static constexpr Colour from_packed(std::uint32_t v) {
        return {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    }
};

inline constexpr Colour black{0, 0, 0};
inline constexpr Colour white{255, 255, 255};

using Palette = std::array<Colour, 256>;

// What is known about a bitmap's pixels, so that recomposing a screen onto the same background
// and presenting it need only look at what was drawn: over the area at its top-left, the bitmap
// equals the backdrop bitmap (as it was at one version) except in the marked tiles.
struct Backdrop {
    static constexpr int tile = 16;
    std::uint64_t id = 0, version = 0;  // the backdrop's; id 0 when nothing is known
    int width = 0, height = 0;          // the area
    std::vector<std::uint8_t> marked;   // one per tile, row by row

    bool known() const { return id != 0; }
    int columns() const { return (width + tile - 1) / tile; }
    int rows() const { return (height + tile - 1) / tile; }
    void forget() { *this = Backdrop{}; }
    // Starts knowing that the area equals the bitmap (id, version), with no tile marked.
    void reset(std::uint64_t backdrop_id, std::uint64_t backdrop_version, int area_width, int area_height);
    // Marks the tiles that meet the rectangle (clipped to the area).
    void mark(int x, int y, int w, int h);
};

// A bitmap of 1, 8 or 32 bits per pixel. Rows are stored top-down. 1- and 8-bit pixels take one
// byte each (0/1, or a colour-table index); 32-bit pixels are 0x00RRGGBB.
class Bitmap {
public:
    Bitmap() = default;
    // A copy is a bitmap of its own: a new identity, and nothing known about its backdrop. An
    // empty bitmap has no identity, so the many scratch ones cost nothing.
    Bitmap(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(const Bitmap& other);
    Bitmap& operator=(Bitmap&& other) noexcept;
    static Bitmap mono(int width, int height);                           // all 0; table {black, white}
    static Bitmap indexed(int width, int height, const Palette& palette); // all index 0
    static Bitmap rgb(int width, int height);                            // all black

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }  // 0 for an empty bitmap
    bool empty() const { return depth_ == 0; }

    // The non-const accessors count a change: every change of the pixels or the colour table
    // goes through one, so (id, version) names one exact content.
    std::uint8_t* index_row(int y) {
        ++version_;
        return bytes_.data() + std::size_t(y) * width_;
    }
    const std::uint8_t* index_row(int y) const { return bytes_.data() + std::size_t(y) * width_; }
    std::uint32_t* rgb_row(int y) {
        ++version_;
        return rgb_.data() + std::size_t(y) * width_;
    }
    const std::uint32_t* rgb_row(int y) const { return rgb_.data() + std::size_t(y) * width_; }

    // The colour table of a 1- or 8-bit bitmap (entries 0 and 1 for 1 bit).
    Palette& palette() {
        ++version_;
        return palette_;
    }
    const Palette& palette() const { return palette_; }

    std::uint64_t id() const { return id_; }
    std::uint64_t version() const { return version_; }

    // What is known about the backdrop, or null: nothing is known once the bitmap has been
    // changed other than by a tracked drawing.
    const Backdrop* backdrop() const {
        return version_ == accounted_ && backdrop_.known() ? &backdrop_ : nullptr;
    }
    // Replaces what is known; the bitmap's current content is what it describes.
    void set_backdrop(Backdrop backdrop) {
        backdrop_ = std::move(backdrop);
        accounted_ = version_;
    }

    // The colour shown at (x, y); the caller keeps (x, y) inside the bitmap.
    Colour colour_at(int x, int y) const;

private:
    static Bitmap sized(int width, int height, int depth);  // all pixels 0; empty when not positive

    friend class TrackedDrawing;
    static std::uint64_t new_id();

    int width_ = 0, height_ = 0, depth_ = 0;
    std::uint64_t id_ = 0, version_ = 0, accounted_ = 0;  // id 0 while empty
    Backdrop backdrop_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint32_t> rgb_;
    Palette palette_{};
};

// Keeps a bitmap's backdrop up to date across one drawing call: made before the call changes
// anything, with the (clipped) rectangle it may change.
class TrackedDrawing {
public:
    TrackedDrawing(Bitmap& bitmap, int x, int y, int w, int h);
    ~TrackedDrawing() { bitmap_.accounted_ = bitmap_.version_; }
    TrackedDrawing(const TrackedDrawing&) = delete;
    TrackedDrawing& operator=(const TrackedDrawing&) = delete;

private:
    Bitmap& bitmap_;
};

// A device-context-like drawing surface: a bitmap with the background and text colours that
// decide the colour <-> monochrome conversions of block transfers.
struct Surface {
    Bitmap bitmap;
    Colour background = white;
    Colour text_colour = black;
    int width() const { return bitmap.width(); }
    int height() const { return bitmap.height(); }
};

// Raster operations, with the values of the Windows constants of the same names.
enum class Rop : std::uint32_t {
    srccopy = 0x00CC0020,    // D = S
    srcand = 0x008800C6,     // D = S AND D
    srcpaint = 0x00EE0086,   // D = S OR D
    srcinvert = 0x00660046,  // D = S XOR D
    srcerase = 0x00440328,   // D = S AND NOT D
    blackness = 0x00000042,  // D = 0
};

// Block transfer of the w x h block at (sx, sy) of src to (x, y) of dst, clipped to both.
// Source pixels are converted to the destination's format first:
//  colour -> 1 bit: a pixel equal to src.background becomes 1, every other 0;
//  1 bit -> colour: 0 becomes dst.text_colour, 1 becomes dst.background;
//  colour -> 8 bit: nearest colour of dst's colour table.
// src may be null for BLACKNESS. Returns false (and draws nothing) when a surface is empty.
bool bit_blt(Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy, Rop rop);
inline bool bit_blt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, Rop rop) {
    return bit_blt(dst, x, y, w, h, &src, sx, sy, rop);
}

// Stretched transfer of the sw x sh block at (sx, sy) to the w x h block at (x, y), in the
// default stretch mode: enlarging repeats pixels, shrinking combines the dropped pixels with AND
// (as Windows' BLACKONWHITE does). Conversions and result as for bit_blt.
bool stretch_blt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw,
                 int sh, Rop rop);

// Draws the w x h pixels of an 8-bit bitmap 1:1 at (x, y) of dst, looking every index up in
// `colours` instead of the bitmap's own table (the palette fades).
bool palette_blt(Surface& dst, int x, int y, int w, int h, const Bitmap& indexes, const Palette& colours);

// Fills a rectangle with one colour (nearest index on 8 bit, colour == background -> 1 on 1 bit).
void fill_rect(Surface& dst, int x, int y, int w, int h, Colour colour);

// The colour at (x, y), or black outside the surface.
Colour get_pixel(const Surface& surface, int x, int y);

// Surface flood fill: replaces the 4-connected area of pixels equal to `surface_colour` that
// contains (x, y) with `fill`. Returns false when (x, y) is outside or not of that colour.
bool flood_fill_surface(Surface& surface, int x, int y, Colour surface_colour, Colour fill);

// Nearest colour among the first `count` entries of a table (smallest squared distance, the
// lowest index on a tie).
std::uint8_t nearest_index(const Palette& palette, int count, Colour colour);

// A nearest-colour lookup for one colour table, so that converting a whole picture is not a
// table-wide search per pixel. RGB space is cut into cubes, and each cube lazily gets the short
// list of entries that can be nearest anywhere inside it; the answer is still exact. Not
// thread-safe: lookups fill the lists.
class NearestColourMap {
public:
    NearestColourMap(const Palette& palette, int count);
    std::uint8_t operator()(Colour colour) const { return lookup(colour.packed()); }
    // `packed` is 0x??RRGGBB; the top byte is ignored.
    std::uint8_t lookup(std::uint32_t packed) const {
        packed &= 0x00FFFFFFu;
        const std::uint32_t slot = (packed * 0x9E3779B1u) >> (32 - cache_bits);
        const std::uint32_t entry = cache_[slot];
        if ((entry >> 8) == packed) return std::uint8_t(entry);
        return search(packed, slot);
    }
    // Maps n packed pixels to indexes.
    void map_row(const std::uint32_t* pixels, std::uint8_t* indexes, int n) const;

private:
    static constexpr int cell_bits = 4;  // cubes of 16 x 16 x 16 colours
    static constexpr int cells_per_axis = 256 >> cell_bits;
    static constexpr int coarse_bits = 6;  // cubes of 64: a first cut that speeds up the fine lists
    static constexpr int coarse_per_axis = 256 >> coarse_bits;

    struct CellList {
        std::uint32_t start = 0;
        std::uint16_t size = 0;
        std::uint8_t searches = 0;  // misses answered from the coarse list so far
        bool built = false;
    };
    // A fine list costs many times one search of the coarse list, so it is built only for a cube
    // that keeps being searched; a table whose colours crowd together has long coarse lists.
    static constexpr int searches_before_fine_list = 4;
    // A candidate carries its colour, so the search touches one small array.
    struct Candidate {
        std::uint8_t r, g, b, index;
    };
    const CellList& coarse_cell(int r, int g, int b) const;
    const CellList& cell(int r, int g, int b) const;
    std::uint8_t search(std::uint32_t packed, std::uint32_t slot) const;
    void build_list(int r0, int g0, int b0, int span, const std::uint8_t* candidates, int count, bool pairwise,
                    std::uint8_t* out, int& out_count) const;

    Palette palette_;
    int count_;
    mutable std::vector<CellList> cells_;
    mutable std::vector<CellList> coarse_;
    mutable std::vector<std::uint8_t> coarse_pool_;
    mutable std::vector<Candidate> pool_;
    // A direct-mapped cache of answered colours (a composed screen holds a few hundred): each
    // entry is colour << 8 | index. Colour 0 lives in slot 0, so zeroed slots elsewhere never
    // match, and slot 0 starts with colour 1, which belongs elsewhere.
    static constexpr int cache_bits = 15;
    mutable std::vector<std::uint32_t> cache_;
};

}  // namespace kelvora
