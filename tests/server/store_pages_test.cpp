#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "platform/sjis.hpp"
#include "server/entry_queue.hpp"
#include "server/pages.hpp"
#include "server/ranking_store.hpp"
#include "tests/server/temp_folder.hpp"

namespace kelvora::server {
namespace {

class StoreTest : public TempFolderTest {
protected:
    std::unique_ptr<RankingStore> open() {
        std::string error;
        auto store = RankingStore::open(dir + "/ranking.db", error);
        EXPECT_TRUE(store) << error;
        return store;
    }
};

TEST_F(StoreTest, KeepsEachResultOnceAndRanksEqualScoresByArrival) {
    std::vector<bool> stored;
    std::string error;
    {
        auto store = open();
        ASSERT_TRUE(store->add({{"A", 100, "x"}, {"B", 200, "y"}, {"A", 100, "x"}, {"C", 200, "z"}}, "2025/01/02",
                               stored, error));
        EXPECT_EQ(stored, (std::vector<bool>{true, true, false, true}));
        ASSERT_TRUE(store->add({{"B", 200, "y"}, {"b", 200, "y"}, {"D", 300, "w"}}, "2025/01/03", stored, error));
        EXPECT_EQ(stored, (std::vector<bool>{false, true, true}));
    }
    auto store = open();  // everything is still there after reopening
    std::vector<StoredEntry> best;
    ASSERT_TRUE(store->top(100, best, error));
    const std::vector<StoredEntry> expected{{"D", 300, "2025/01/03"},
                                            {"B", 200, "2025/01/02"},
                                            {"C", 200, "2025/01/02"},
                                            {"b", 200, "2025/01/03"},
                                            {"A", 100, "2025/01/02"}};
    EXPECT_EQ(best, expected);
    ASSERT_TRUE(store->top(2, best, error));
    EXPECT_EQ(best.size(), 2u);
}

// Players entering at once: each gets the right answer after the commit, and the pages hear
// of every change before anyone is answered.
TEST_F(StoreTest, ConcurrentEntriesAreCommittedTogether) {
    auto store = open();
    std::mutex seen_mutex;
    std::vector<StoredEntry> seen;
    int changes = 0;
    {
        EntryQueue queue(*store, 100, [&](const std::vector<StoredEntry>& best) {
            std::lock_guard lock(seen_mutex);
            seen = best;
            ++changes;
        });
        std::vector<std::thread> players;
        std::atomic<int> stored = 0, duplicates = 0;
        for (int t = 0; t < 8; ++t) {
            players.emplace_back([&, t] {
                for (int i = 0; i < 20; ++i) {
                    // Players 0-3 and 4-7 send the same results: each is kept once.
                    const EntryOutcome outcome = queue.submit({"P" + std::to_string(t % 4), i * 10 + t % 4, "pw"});
                    (outcome == EntryOutcome::stored ? stored : duplicates)++;
                    EXPECT_NE(outcome, EntryOutcome::failed);
                    std::lock_guard lock(seen_mutex);
                    EXPECT_FALSE(seen.empty());
                }
            });
        }
        for (auto& p : players) p.join();
        EXPECT_EQ(stored, 80);
        EXPECT_EQ(duplicates, 80);
    }
    EXPECT_LT(changes, 160);  // fewer commits than entries
    ASSERT_EQ(seen.size(), 80u);
    EXPECT_EQ(seen[0], (StoredEntry{"P3", 193, server_date()}));
}

TEST(ListPage, HoldsTheTopTenInTheGamesLayout) {
    const std::string page = list_page({{"ABC", 30000, "2025/01/02"}, {"x!", 20000, "2025/01/03"}});
    EXPECT_NE(page.find("\x31\x88\xCA"), std::string::npos);  // "1位" in code page 932
    const std::string text = cp932_to_utf8(page);
    EXPECT_NE(text.find("<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"), std::string::npos);
    std::string rows =
        "1位</TD><TD>ABC</TD><TD>2025/01/02</TD><TD>30000</TD></TR>\n"
        "<TR><TD>2位</TD><TD>x!</TD><TD>2025/01/03</TD><TD>20000</TD></TR>\n";
    for (int place = 3; place <= 10; ++place)
        rows += "<TR><TD>" + std::to_string(place) + "位</TD><TD>-</TD><TD>-</TD><TD>0</TD></TR>\n";
    rows += "</TABLE>";
    // The game reads from the first "1位" to "</TABLE>".
    EXPECT_EQ(text.substr(text.find("1位"), rows.size()), rows);

    std::vector<StoredEntry> many;
    for (int i = 0; i < 12; ++i) many.push_back({"N" + std::to_string(i), 1000 - i, "2025/01/01"});
    const std::string ten = cp932_to_utf8(list_page(many));
    EXPECT_NE(ten.find("<TD>10位</TD><TD>N9</TD>"), std::string::npos);
    EXPECT_EQ(ten.find("N10"), std::string::npos);
}

TEST(TopPage, EscapesNamesAndOffersTheForm) {
    const std::string page = top_page({{"<b>", 1234567, "2025/01/02"}, {"&'\"", 5, "2025/01/03"}}, true);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("<td>&lt;b&gt;</td><td>2025/01/02</td><td class=\"n\">1,234,567</td>"), std::string::npos);
    EXPECT_NE(page.find("&amp;&#39;&quot;"), std::string::npos);
    for (const char* field : {"name=\"name\"", "name=\"score\"", "name=\"password\"", "action=\"/entry\"",
                              "公式ランキングの「パスワード」"})
        EXPECT_NE(page.find(field), std::string::npos) << field;
    EXPECT_NE(top_page({}).find("まだ登録はありません"), std::string::npos);
}

}  // namespace
}  // namespace kelvora::server
