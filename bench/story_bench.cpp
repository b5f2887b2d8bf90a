// The story screen's effects: its largest blend, and one whole tick of the phase that blends
// most (the middle copied, four side parts through border masks, and a band of text).

#include <memory>

#include "bench.hpp"
#include "pictures/blend.hpp"
#include "screens/story_screen.hpp"
#include "test_app.hpp"

namespace kelvora::bench {
namespace {

const Register largest_blend("story: one 500 x 400 blend (plain key)", [] {
    auto test = std::shared_ptr<testing::TestApp>(testing::make_test_app());
    // The story picture, 380 rows, repeated to 400: a picture with few key-coloured pixels.
    const Bitmap& story = test->app.pictures.story_image.bitmap;
    auto source = std::make_shared<Surface>(Surface{Bitmap::indexed(500, 400, story.palette())});
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) source->bitmap.index_row(y)[x] = story.index_row(y % 380)[x];
    return Body([test, source] {
        blend_rect(test->app.pictures.buffer, 0, 50, 500, 400, *source, 0, 0, 128, plain_black_key);
    });
});

const Register phase3_tick("story: one tick of phase 3 (five blends)", [] {
    auto test = std::shared_ptr<testing::TestApp>(testing::make_test_app());
    return Body([test] {
        GameState& state = test->state;
        state.screen_state = screen::story;
        state.story_step = 16;
        state.story_frames = 3;
        state.story_phase = 3;
        // A band of one line as well, so that all five blends of the tick do their work.
        state.story_line_from = 321;
        state.story_line_to = 341;
        story_tick(test->app);
    });
});

}  // namespace
}  // namespace kelvora::bench
