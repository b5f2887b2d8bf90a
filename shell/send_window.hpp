#pragma once
// Sending finished official games to the net ranking: the menu bar's "結果送信" opens a window
// listing the unsent replays, best first; one press sends the chosen one with the name the
// player typed at the name entry, and the window shows the server's answer.

namespace kelvora {

struct App;

// Opens the send window; the game stands still until it is closed.
void open_send_window(App& app);

}  // namespace kelvora
