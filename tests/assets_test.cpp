// The committed assets: pictures as the store expects them, sprite/mask agreement, the story
// sheet's line layout, how closely a fade shows the screens, the wave and MIDI files' formats and
// the help page's encoding.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/game_state.hpp"
#include "core/picture_store.hpp"
#include "pictures/fade.hpp"
#include "platform/bmp.hpp"
#include "screens/compositor.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

const std::string asset_dir = KELVORA_ASSET_DIR;

std::vector<std::uint8_t> read_bytes(const std::string& name) {
    std::ifstream in(asset_dir + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bitmap load(const std::string& name) {
    std::string error;
    Bitmap b = load_bmp(asset_dir + name, error);
    EXPECT_FALSE(b.empty()) << name << ": " << error;
    return b;
}

std::uint32_t u32le(const std::vector<std::uint8_t>& d, std::size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t(d[at + 3]) << 24);
}
std::uint16_t u16le(const std::vector<std::uint8_t>& d, std::size_t at) { return std::uint16_t(d[at] | (d[at + 1] << 8)); }
std::uint32_t u32be(const std::vector<std::uint8_t>& d, std::size_t at) {
    return (std::uint32_t(d[at]) << 24) | (d[at + 1] << 16) | (d[at + 2] << 8) | d[at + 3];
}

TEST(Assets, EveryPictureLoadsIntoTheStoreAtItsSizeAndDepth) {
    PictureStore store;
    EXPECT_EQ(load_pictures(store, asset_dir), "");
    for (const PictureFile& file : picture_files()) {
        const Bitmap b = load(file.file_name);
        EXPECT_EQ(b.width(), file.width) << file.file_name;
        EXPECT_EQ(b.height(), file.height) << file.file_name;
        EXPECT_EQ(b.depth(), file.depth) << file.file_name;
    }
    EXPECT_EQ(store.restart_image.width(), 105);
    EXPECT_EQ(store.restart_image.height(), 40);
    EXPECT_EQ(store.story_moji2.bitmap.depth(), 1);

    const Bitmap icon = load("icon.bmp");
    EXPECT_EQ(icon.width(), 32);
    EXPECT_EQ(icon.height(), 32);
    EXPECT_EQ(icon.depth(), 8);
}

// Mean and 99th-percentile RGB distance between a screen and the same screen as a fade shows it.
std::pair<double, double> fade_error(const Surface& screen, const Bitmap& title) {
    const FadePalettes fade = build_fade_palettes(screen, 500, 500, fade_steps, title);
    const Palette& full = fade.palettes.back();
    std::vector<double> errors;
    double sum = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x) {
            const Colour a = get_pixel(screen, x, y), b = full[fade.indexes.index_row(y)[x]];
            const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
            errors.push_back(std::sqrt(double(dr * dr + dg * dg + db * db)));
            sum += errors.back();
        }
    std::sort(errors.begin(), errors.end());
    return {sum / double(errors.size()), errors[errors.size() * 99 / 100]};
}

TEST(Assets, FadesShowTitleOptionsAndPlayCloseToTheirOwnColours) {
    auto test = testing::make_test_app();
    App& app = test->app;
    GameState& state = app.state;
    struct Case {
        const char* name;
        std::int16_t screen_state;
    };
    // A plain 6 x 6 x 6 cube gives mean errors of about 23 and 99th percentiles of about 37 here,
    // with a blue band and halos round every light.
    for (Case c : {Case{"title", screen::title}, Case{"options", screen::options}, Case{"play", screen::official_play}}) {
        state.screen_state = c.screen_state;
        state.title_choice = screen::official_play;  // the lit entry a title fades out with
        state.option_hover = 2;
        state.rain_running = true;
        for (int col = 1; col <= state.field_width; ++col)
            for (int row = state.field_height / 3; row <= state.field_height; ++row)
                state.drop_grid[col][row] = std::int16_t(1 + (col * 7 + row * 3) % state.colour_count);
        draw_screen(app);
        const auto [mean, p99] = fade_error(app.pictures.buffer, app.pictures.open_image.bitmap);
        EXPECT_LT(mean, 4.0) << c.name;
        EXPECT_LT(p99, 18.5) << c.name;
    }
}

struct Region {
    const char* what;
    int x, y, w, h;
};
// The parts of the lettering sheet that the game draws through the mask.
const Region masked_regions[] = {
    {"digit 0", 0, 0, 50, 50},         {"digit 1", 50, 0, 50, 50},      {"digit 2", 100, 0, 50, 50},
    {"digit 3", 150, 0, 50, 50},       {"digit 4", 200, 0, 50, 50},     {"digit 5", 250, 0, 50, 50},
    {"digit 6", 300, 0, 50, 50},       {"digit 7", 350, 0, 50, 50},     {"digit 8", 400, 0, 50, 50},
    {"digit 9", 450, 0, 50, 50},       {"chain word", 0, 50, 100, 50},  {"start label", 100, 50, 100, 50},
    {"game over", 0, 200, 450, 100},   {"start lettering", 0, 300, 500, 100},
};

TEST(Assets, SpriteIsWhiteWhereverItsMaskIsWhiteAndEveryMaskedPictureHasLettering) {
    const Bitmap sprite = load("moji_image.bmp");
    const Bitmap mask = load("moji_image2.bmp");
    ASSERT_EQ(sprite.width(), mask.width());
    ASSERT_EQ(sprite.height(), mask.height());
    for (const Region& r : masked_regions) {
        int wrong = 0, lettering = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x) {
                if (mask.colour_at(x, y) == white) {
                    if (sprite.colour_at(x, y) != white) ++wrong;
                } else {
                    ++lettering;
                }
            }
        EXPECT_EQ(wrong, 0) << r.what;
        EXPECT_GT(lettering, r.w * r.h / 20) << r.what << " has (almost) no lettering";
    }
}

TEST(Assets, LogoAndShinePicturesSitOnBlack) {
    const Bitmap sprite = load("moji_image.bmp");
    // They are copied plainly onto black, so their ground (the corners at least) is black.
    const Region plain[] = {{"logo", 0, 100, 200, 100}, {"shine 0", 203, 138, 48, 50}, {"shine 1", 251, 138, 48, 50},
                            {"shine 2", 299, 138, 48, 50}, {"shine 3", 347, 138, 48, 50}};
    for (const Region& r : plain) {
        EXPECT_EQ(sprite.colour_at(r.x, r.y), black) << r.what;
        EXPECT_EQ(sprite.colour_at(r.x + r.w - 1, r.y), black) << r.what;
        EXPECT_EQ(sprite.colour_at(r.x, r.y + r.h - 1), black) << r.what;
        EXPECT_EQ(sprite.colour_at(r.x + r.w - 1, r.y + r.h - 1), black) << r.what;
    }
    // Each shine picture is a lit form of its letter, not the letter itself.
    for (int i = 0; i < 4; ++i) {
        int differing = 0;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 48; ++x)
                differing += sprite.colour_at(3 + 48 * i + x, 138 + y) != sprite.colour_at(203 + 48 * i + x, 138 + y);
        EXPECT_GT(differing, 200) << "letter " << i;
    }
}

TEST(Assets, StoryTextAndMaskAgreeAndEveryRevealedBandEndsBetweenLines) {
    const Bitmap text = load("story_moji1.bmp");
    const Bitmap mask = load("story_moji2.bmp");
    ASSERT_EQ(mask.depth(), 1);
    ASSERT_EQ(text.width(), 500);
    ASSERT_EQ(mask.width(), 500);
    int ground_not_black = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 500; ++x)
            if (mask.colour_at(x, y) == white && text.colour_at(x, y) != black) ++ground_not_black;
    EXPECT_EQ(ground_not_black, 0);

    auto glyph = [&](int x, int y) { return mask.colour_at(x, y) == black; };
    const int band_ends[] = {73, 93, 113, 133, 153, 173, 213, 241, 261, 281, 321, 341, 361, 381, 409, 429, 469};
    int band_top = 0;
    for (int end : band_ends) {
        int split = 0, inside = 0;
        for (int x = 0; x < 500; ++x) {
            split += glyph(x, end - 1) && glyph(x, end);
            for (int y = band_top; y < end; ++y) inside += glyph(x, y);
        }
        EXPECT_EQ(split, 0) << "a glyph is cut at y = " << end;
        EXPECT_GT(inside, 200) << "the band " << band_top << ".." << end << " shows no text";
        band_top = end;
    }
    int below = 0;
    for (int y = 469; y < 500; ++y)
        for (int x = 0; x < 500; ++x) below += glyph(x, y);
    EXPECT_EQ(below, 0) << "text below the last band is never shown";
}

TEST(Assets, DropTilesAreClearlyDistinctPictures) {
    std::vector<Bitmap> tiles;
    for (int k = 0; k < 9; ++k) tiles.push_back(load("block_image" + std::to_string(k) + ".bmp"));
    for (int a = 0; a < 9; ++a)
        for (int b = a + 1; b < 9; ++b) {
            double difference = 0;
            for (int y = 0; y < 25; ++y)
                for (int x = 0; x < 25; ++x) {
                    const Colour p = tiles[a].colour_at(x, y), q = tiles[b].colour_at(x, y);
                    difference += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
                }
            EXPECT_GT(difference / (25 * 25), 60) << "tiles " << a << " and " << b;
        }
}

TEST(Assets, SoundEffectsAreShort16BitPcmWavesThatStartAndEndInSilence) {
    for (const char* name : {"po.wav", "po2.wav", "start.wav", "bom.wav", "over.wav", "fan.wav"}) {
        SCOPED_TRACE(name);
        const auto d = read_bytes(name);
        ASSERT_GE(d.size(), 44u);
        EXPECT_EQ(std::string(d.begin(), d.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(d.begin() + 8, d.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(u32le(d, 4), d.size() - 8);
        EXPECT_EQ(u16le(d, 20), 1);   // PCM
        EXPECT_EQ(u16le(d, 34), 16);  // bits per sample
        const int channels = u16le(d, 22);
        const std::uint32_t rate = u32le(d, 24);
        ASSERT_EQ(std::string(d.begin() + 36, d.begin() + 40), "data");
        const std::uint32_t bytes = u32le(d, 40);
        ASSERT_EQ(bytes + 44, d.size());
        const double seconds = double(bytes) / (2.0 * channels * rate);
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 3.0);
        const auto sample = [&](std::size_t i) { return std::int16_t(u16le(d, 44 + 2 * i)); };
        const std::size_t count = bytes / 2;
        EXPECT_LT(std::abs(sample(0)), 1500);
        EXPECT_LT(std::abs(sample(count - 1)), 100);
    }
}

// Reads a track's events; returns the tick of its end-of-track event, or -1 if it is malformed.
long track_length(const std::vector<std::uint8_t>& d, std::size_t at, std::size_t end) {
    long tick = 0;
    std::uint8_t status = 0;
    auto varlen = [&]() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4 && at < end; ++i) {
            const std::uint8_t b = d[at++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return long(v);
        }
        return -1L;
    };
    while (at < end) {
        const long delta = varlen();
        if (delta < 0 || at >= end) return -1;
        tick += delta;
        std::uint8_t b = d[at];
        if (b == 0xFF) {
            if (at + 2 > end) return -1;
            const std::uint8_t type = d[at + 1];
            at += 2;
            const long length = varlen();
            if (length < 0 || at + length > end) return -1;
            at += length;
            if (type == 0x2F) return at == end ? tick : -1;
            continue;
        }
        if (b == 0xF0 || b == 0xF7) {
            ++at;
            const long length = varlen();
            if (length < 0) return -1;
            at += length;
            continue;
        }
        if (b & 0x80) status = b, ++at;
        if (!(status & 0x80)) return -1;
        const int kind = status & 0xF0;
        at += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    return -1;
}

TEST(Assets, TunesAreStandardMidiFilesThatEndTogetherOnABarLine) {
    for (const char* name : {"kelvora1.mid", "kelvora2.mid"}) {
        SCOPED_TRACE(name);
        const auto d = read_bytes(name);
        ASSERT_GE(d.size(), 14u);
        ASSERT_EQ(std::string(d.begin(), d.begin() + 4), "MThd");
        ASSERT_EQ(u32be(d, 4), 6u);
        const int tracks = (d[10] << 8) | d[11];
        const int division = (d[12] << 8) | d[13];
        ASSERT_GE(tracks, 1);
        ASSERT_GT(division, 0);
        ASSERT_LT(division, 0x8000);
        std::size_t at = 14;
        long longest = 0;
        for (int t = 0; t < tracks; ++t) {
            ASSERT_LE(at + 8, d.size());
            ASSERT_EQ(std::string(d.begin() + at, d.begin() + at + 4), "MTrk");
            const std::size_t length = u32be(d, at + 4);
            ASSERT_LE(at + 8 + length, d.size());
            const long ticks = track_length(d, at + 8, at + 8 + length);
            ASSERT_GE(ticks, 0) << "track " << t;
            longest = std::max(longest, ticks);
            at += 8 + length;
        }
        EXPECT_EQ(at, d.size());
        // The game restarts a tune when it ends: a whole number of 4/4 bars loops cleanly.
        EXPECT_GT(longest, 0);
        EXPECT_EQ(longest % (4 * division), 0);
    }
}

TEST(Assets, HelpPageIsSelfContainedUtf8) {
    const auto d = read_bytes("help.html");
    std::string text(d.begin(), d.end());
    ASSERT_FALSE(text.empty());
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(lower.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(lower.find("src="), std::string::npos);
    EXPECT_EQ(lower.find("<link"), std::string::npos);
    EXPECT_EQ(lower.find("http"), std::string::npos);
    // Well-formed UTF-8 throughout.
    for (std::size_t i = 0; i < d.size();) {
        const std::uint8_t b = d[i];
        const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        ASSERT_GE(extra, 0) << "byte " << i;
        ASSERT_LE(i + extra, d.size() - 1 + (extra == 0));
        for (int k = 1; k <= extra; ++k) ASSERT_EQ(d[i + k] & 0xC0, 0x80) << "byte " << i + k;
        i += 1 + extra;
    }
    EXPECT_NE(text.find("オフィシャル"), std::string::npos);
    EXPECT_NE(text.find("パスワード"), std::string::npos);
}

}  // namespace
}  // namespace kelvora
