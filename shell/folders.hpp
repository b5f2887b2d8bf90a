#pragma once
// Where the program reads its pictures, sounds, tunes and modules, and where it keeps its rank
// files: beside the program when it runs from its own writable folder, in the installed layout
// otherwise.

#include <string>

namespace kelvora {

struct ProgramFolders {
    std::string app_dir;     // pictures, sounds, tunes, the help page and the window icon
    std::string data_dir;    // the four rank files; empty when there is nowhere to keep them
    std::string module_dir;  // the sound and HTTP modules
    std::string locale_dir;  // the compiled catalogues, <language>/LC_MESSAGES/kelvora.mo
};

// The installed pictures and the private module folder, relative to the program's folder (both
// end in a separator), so that a prefix moved elsewhere still finds them.
extern const char* const installed_asset_dir;
extern const char* const installed_module_dir;

// The folders for a program in `exe_dir` (app_dir_of its path). A folder that holds the game's
// pictures and can be written (the build folder, an unpacked copy) keeps everything, as the game
// always has. An installed program reads from installed_asset_dir and keeps its rank files in
// user_data_dir(), as does a program whose own folder cannot be written.
ProgramFolders find_program_folders(const std::string& exe_dir);

// $XDG_DATA_HOME/kelvora/, else $HOME/.local/share/kelvora/, else the same under the home folder
// of the account; a relative XDG_DATA_HOME is ignored. Empty when no absolute folder is found.
std::string user_data_dir();

// The folder of the pictures drawn with words in the current language, relative to `app_dir`:
// "" for Japanese, the language's own folder where it has one, else "en/".
std::string language_picture_dir(const std::string& app_dir);

// Creates `folder` and any missing parents; false with the reason when it cannot.
bool make_folder(const std::string& folder, std::string& error);

}  // namespace kelvora
