// The ranking screen at its heaviest: a tab highlighted with its description and a full table of
// double-byte names and mode texts, with the glyphs drawn by Qt as in the game. It is composed on
// every tick; the aim is to stay within 40 x memcpy.

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "bench.hpp"
#include "core/app.hpp"
#include "platform/headless/headless.hpp"
#include "platform/qt/qt_text.hpp"
#include "screens/ranking_screen.hpp"

namespace kelvora::bench {

void ensure_qt_application() {
    static int argc = 1;
    static char name[] = "kelvora_bench";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(argc, argv);
}

namespace {

struct PainterText : TextRenderer {
    void draw_text(Surface& surface, const Font& font, Colour colour, const Rect& rect, unsigned format,
                   std::string_view utf8) override {
        draw_text_on(surface, font, colour, rect, format, utf8);
    }
};

struct RankingFixture {
    HeadlessServices fakes;
    PainterText text;
    App app{Services{fakes.platform, fakes.platform, fakes.platform, text, fakes.sound, fakes.http, fakes.browser}};
};

Register ranking_screen("compose the ranking screen, full table and description (Qt text)", [] {
    ensure_qt_application();
    auto fixture = std::make_shared<RankingFixture>();
    App& app = fixture->app;
    std::string error = load_pictures(app.pictures, KELVORA_ASSET_DIR);
    if (!error.empty()) throw std::runtime_error(error);
    GameState& state = app.state;
    state.screen_state = screen::rankings;
    state.ranking_hover = 2;  // the longest description
    state.ranking_page = 2;
    for (int p = 1; p <= 10; ++p) {
        state.point_ranking.score[std::size_t(p)] = 987654321 - p;
        state.point_ranking.name[std::size_t(p)] = "\x83\x50\x83\x8B\x83\x7B";  // three katakana
        state.point_ranking.note[std::size_t(p)] = " 9 5 5 5 9 5";
    }
    return [fixture] { compose_rankings(fixture->app); };
});

}  // namespace
}  // namespace kelvora::bench
