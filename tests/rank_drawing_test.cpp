#include "ranking/rank_drawing.hpp"

#include <gtest/gtest.h>

#include "platform/headless/headless.hpp"
#include "ranking/rank_file.hpp"

namespace kelvora {
namespace {

constexpr Font heading{25, 128};
constexpr Font body{14, 128};

struct Expected {
    Rect rect;
    const Font* font;
    std::string text;
};

void expect_calls(const std::vector<RecordingText::Call>& calls, const std::vector<Expected>& expected,
                  const Surface& surface) {
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const RecordingText::Call& call = calls[i];
        const Expected& want = expected[i];
        SCOPED_TRACE("text " + std::to_string(i) + ": " + want.text);
        EXPECT_EQ(call.text, want.text);
        EXPECT_EQ(call.rect.left, want.rect.left);
        EXPECT_EQ(call.rect.top, want.rect.top);
        EXPECT_EQ(call.rect.right, want.rect.right);
        EXPECT_EQ(call.rect.bottom, want.rect.bottom);
        EXPECT_EQ(call.font.height, want.font->height);
        EXPECT_EQ(call.colour, white);
        EXPECT_EQ(call.format, i == 0 ? text_format::center : text_format::right);
        EXPECT_EQ(call.surface, &surface);
    }
}

TEST(RankDrawing, TheScreenAreaGivesTheTitleHeadingsAndTenRightAlignedRows) {
    rank_table table = make_rank_table(0, 0);
    table.name[0] = "ZERO";  // element 0 is never shown
    table.note[0] = "zero";
    table.score[0] = 77;
    table.name[1] = "\x83\x50\x83\x8B\x83\x7B";  // ケルボ in code page 932
    table.note[1] = "2001/05/01";
    table.score[1] = 123456;
    table.score[2] = -42;
    table.name[3] = "";  // an empty cell draws nothing; its row's other cells still do
    table.note[4] = "";
    table.name[10] = "LAST";
    table.score[10] = 2147483647;

    Surface surface;
    RecordingText text;
    draw_rank_table(surface, text, heading, body, {"ネットランキング", "得点", "日付"}, table, 0, 250, 500, 250);

    std::vector<Expected> expected{
        {{0, 250, 500, 500}, &heading, "ネットランキング"},
        {{0, 300, 75, 500}, &heading, "順位"},
        {{0, 300, 200, 500}, &heading, "名前"},
        {{0, 300, 300, 500}, &heading, "得点"},
        {{0, 300, 450, 500}, &heading, "日付"},
    };
    for (int p = 1; p <= 10; ++p) {
        const int y = 325 + 15 * p;  // 340, 355, ... 475
        expected.push_back({{0, y, 75, 500}, &body, " " + std::to_string(p) + "位"});
        if (p == 1) expected.push_back({{0, y, 200, 500}, &body, "ケルボ"});
        else if (p == 10) expected.push_back({{0, y, 200, 500}, &body, "LAST"});
        else if (p != 3) expected.push_back({{0, y, 200, 500}, &body, "-"});
        const std::string score = p == 1 ? "123456" : p == 2 ? "-42" : p == 10 ? "2147483647" : "0";
        expected.push_back({{0, y, 300, 500}, &body, score});
        if (p == 1) expected.push_back({{0, y, 450, 500}, &body, "2001/05/01"});
        else if (p != 4) expected.push_back({{0, y, 450, 500}, &body, "-"});
    }
    expect_calls(text.calls, expected, surface);
}

}  // namespace
}  // namespace kelvora
