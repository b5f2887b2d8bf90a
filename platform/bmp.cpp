// BMP reading and writing. Files come from the game folder and may be damaged, so every field is
// checked against the file's real length before it is used.
#include "platform/bmp.hpp"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/file_read.hpp"

namespace kelvora {
namespace {

constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_size = 40;
// Large enough for any picture the game uses many times over; stops a damaged header from
// asking for gigabytes.
constexpr std::int64_t max_pixels = 64ll * 1024 * 1024;
constexpr std::size_t max_file_size = std::size_t(512) * 1024 * 1024;

std::uint32_t read_u32(const std::uint8_t* d, std::size_t at) {
    return std::uint32_t(d[at]) | (std::uint32_t(d[at + 1]) << 8) | (std::uint32_t(d[at + 2]) << 16) |
           (std::uint32_t(d[at + 3]) << 24);
}
std::uint16_t read_u16(const std::uint8_t* d, std::size_t at) {
    return std::uint16_t(d[at] | (d[at + 1] << 8));
}
void put_u32(std::vector<std::uint8_t>& d, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d.push_back(std::uint8_t(v >> (8 * i)));
}
void put_u16(std::vector<std::uint8_t>& d, std::uint16_t v) {
    d.push_back(std::uint8_t(v));
    d.push_back(std::uint8_t(v >> 8));
}

Bitmap fail(std::string& error, std::string reason) {
    error = std::move(reason);
    return {};
}

}  // namespace

Bitmap load_bmp(const std::string& path, std::string& error, int* file_depth) {
    std::string bytes;
    if (!read_file(path, max_file_size, bytes, error)) return {};
    const std::size_t size = bytes.size();
    const auto* d = reinterpret_cast<const std::uint8_t*>(bytes.data());

    if (size < file_header_size + 4) return fail(error, "file too short for a BMP header");
    if (d[0] != 'B' || d[1] != 'M') return fail(error, "not a BMP file");
    const std::uint32_t pixel_offset = read_u32(d, 10);
    const std::uint32_t header_size = read_u32(d, 14);
    if (header_size < info_header_size) return fail(error, "unsupported BMP header (old OS/2 format)");
    if (size < file_header_size + info_header_size) return fail(error, "file too short for a BMP header");

    const std::int32_t raw_width = std::int32_t(read_u32(d, 18));
    const std::int32_t raw_height = std::int32_t(read_u32(d, 22));
    const std::uint16_t planes = read_u16(d, 26);
    const std::uint16_t bits = read_u16(d, 28);
    const std::uint32_t compression = read_u32(d, 30);
    const std::uint32_t colours_used = read_u32(d, 46);

    if (planes != 1) return fail(error, "bad plane count");
    if (bits != 1 && bits != 8 && bits != 24 && bits != 32)
        return fail(error, "unsupported bit depth " + std::to_string(bits));
    // BI_BITFIELDS is only accepted when its masks describe the plain 0x00RRGGBB layout.
    if (compression == 3 && bits == 32) {
        std::size_t masks = file_header_size + info_header_size;
        if (size < masks + 12) return fail(error, "file too short for colour masks");
        if (read_u32(d, masks) != 0x00FF0000u || read_u32(d, masks + 4) != 0x0000FF00u ||
            read_u32(d, masks + 8) != 0x000000FFu)
            return fail(error, "unsupported colour masks");
    } else if (compression != 0) {
        return fail(error, "compressed BMP (type " + std::to_string(compression) + ")");
    }
    if (raw_width <= 0 || raw_height == 0 || raw_height == INT32_MIN) return fail(error, "bad picture size");
    const bool top_down = raw_height < 0;
    const std::int64_t width = raw_width;
    const std::int64_t height = top_down ? -std::int64_t(raw_height) : raw_height;
    if (width * height > max_pixels) return fail(error, "picture size too large");

    Palette palette{};
    if (bits <= 8) {
        const std::uint32_t max_colours = 1u << bits;
        if (colours_used > max_colours) return fail(error, "bad colour count");
        const std::uint32_t count = colours_used == 0 ? max_colours : colours_used;
        const std::uint64_t table = file_header_size + std::uint64_t(header_size);
        if (table + std::uint64_t(count) * 4 > size) return fail(error, "truncated colour table");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = std::size_t(table + i * 4);
            palette[i] = Colour{d[at + 2], d[at + 1], d[at]};
        }
    }

    const std::uint64_t stride = ((std::uint64_t(width) * bits + 31) / 32) * 4;
    if (pixel_offset < file_header_size + info_header_size || pixel_offset > size)
        return fail(error, "bad pixel data offset");
    if (pixel_offset + stride * std::uint64_t(height) > size) return fail(error, "truncated pixel data");

    const int w = int(width), h = int(height);
    Bitmap bitmap = bits == 1 ? Bitmap::mono(w, h) : bits == 8 ? Bitmap::indexed(w, h, palette) : Bitmap::rgb(w, h);
    if (bits == 1) {
        bitmap.palette()[0] = palette[0];
        bitmap.palette()[1] = palette[1];
    }
    for (int y = 0; y < h; ++y) {
        const int file_row = top_down ? y : h - 1 - y;
        const std::uint8_t* row = d + pixel_offset + stride * std::uint64_t(file_row);
        switch (bits) {
        case 1: {
            std::uint8_t* out = bitmap.index_row(y);
            for (int x = 0; x < w; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        }
        case 8: std::memcpy(bitmap.index_row(y), row, std::size_t(w)); break;
        case 24: {
            std::uint32_t* out = bitmap.rgb_row(y);
            for (int x = 0; x < w; ++x)
                out[x] = (std::uint32_t(row[3 * x + 2]) << 16) | (std::uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
            break;
        }
        case 32: {
            std::uint32_t* out = bitmap.rgb_row(y);
            for (int x = 0; x < w; ++x)
                out[x] = (std::uint32_t(row[4 * x + 2]) << 16) | (std::uint32_t(row[4 * x + 1]) << 8) | row[4 * x];
            break;
        }
        }
    }
    if (file_depth) *file_depth = bits;
    return bitmap;
}

bool save_bmp(const std::string& path, const Bitmap& bitmap) {
    if (bitmap.empty()) return false;
    const int bits = bitmap.depth();
    const int w = bitmap.width(), h = bitmap.height();
    const std::uint32_t colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const std::uint32_t stride = ((std::uint32_t(w) * bits + 31) / 32) * 4;
    const std::uint32_t offset = file_header_size + info_header_size + colours * 4;
    const std::uint32_t image_size = stride * std::uint32_t(h);

    std::vector<std::uint8_t> d;
    d.reserve(offset + image_size);
    d.push_back('B');
    d.push_back('M');
    put_u32(d, offset + image_size);
    put_u32(d, 0);
    put_u32(d, offset);
    put_u32(d, info_header_size);
    put_u32(d, std::uint32_t(w));
    put_u32(d, std::uint32_t(h));
    put_u16(d, 1);
    put_u16(d, std::uint16_t(bits));
    put_u32(d, 0);  // BI_RGB
    put_u32(d, image_size);
    put_u32(d, 3780);  // 96 dpi
    put_u32(d, 3780);
    put_u32(d, colours);
    put_u32(d, 0);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const Colour c = bitmap.palette()[i];
        d.push_back(c.b);
        d.push_back(c.g);
        d.push_back(c.r);
        d.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t start = d.size();
        d.resize(start + stride, 0);
        std::uint8_t* row = d.data() + start;
        if (bits == 1) {
            const std::uint8_t* in = bitmap.index_row(y);
            for (int x = 0; x < w; ++x)
                if (in[x]) row[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
        } else if (bits == 8) {
            std::memcpy(row, bitmap.index_row(y), std::size_t(w));
        } else {
            const std::uint32_t* in = bitmap.rgb_row(y);
            for (int x = 0; x < w; ++x) {
                row[4 * x] = std::uint8_t(in[x]);
                row[4 * x + 1] = std::uint8_t(in[x] >> 8);
                row[4 * x + 2] = std::uint8_t(in[x] >> 16);
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(d.data()), std::streamsize(d.size()));
    out.close();
    return bool(out);
}

}  // namespace kelvora
