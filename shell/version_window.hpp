#pragma once
// `Versionform`: the game's title, version and notices over a corner of the title picture.

namespace kelvora {

struct App;

inline constexpr int version_client_width = 308;
inline constexpr int version_client_height = 187;

// varsion_Click: opens the version window modally and returns once it is closed. The game stands
// still meanwhile: the play timer is off, and gets its earlier state back afterwards.
void open_version_window(App& app);

}  // namespace kelvora
