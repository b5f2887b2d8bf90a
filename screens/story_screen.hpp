#pragma once
// The story screen: the text sheet revealed band by band from the top, each band fading in over
// five ticks while the story picture fades in and fills out in phases; the two tunes start at
// fixed steps, and after the last step the screen returns to the title by itself.

namespace kelvora {

struct App;

enum class StoryTick { shown, told };

// One tick of the play timer while screen_state is the story, in place of the play tick:
// composes buffer, shows it, and sets the next tick 500 ms ahead. After the last step it shows
// nothing, leaves the timer off and answers `told`: the caller returns to the title.
StoryTick story_tick(App& app);

}  // namespace kelvora
