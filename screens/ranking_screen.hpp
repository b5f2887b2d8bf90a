#pragma once
// The ranking screen (screen_state 5): four tabs choose the official, net, point or chain ranking.

namespace kelvora {

struct App;
struct rank_table;

// Saves a ranking to data_dir + file_name, or ends the program with a message naming the file.
void save_ranking(App& app, const char* file_name, const rank_table& table);

// Composes the ranking screen: the tab under the pointer highlighted with its description, the
// table of ranking_page, and presents it. The first composition that shows the net table in a
// run downloads the net ranking (and saves it when the download succeeds).
void compose_rankings(App& app);

// Pointer movement: ranking_hover becomes the tab under the pointer, -1 for none.
void rankings_pointer_move(App& app, double x, double y);

// A press on a tab shows its table; a press elsewhere keeps the table. Ends with a composition.
void rankings_click(App& app, double x, double y);

}  // namespace kelvora
