// Where the shell keeps its settings and puts the dictionary's fonts. Both
// places can be moved so that tests never touch the user's settings or the
// system's fonts folder.
#pragma once

#include <string>

namespace shell_settings {

// Put in front of the settings key texts (a registry path ending in '\\');
// empty in the program.
extern std::string RegistryKeyRoot;
// The folder the dictionary's fonts are copied to; empty: the "fonts" folder
// of the Windows directory.
extern std::string FontsFolder;

// The key of the current user's settings for the dictionary's RegKey, as read
// and as written (the two texts differ only in case, so they name one key).
std::string ReadKey(const std::string& regKey);
std::string WriteKey(const std::string& regKey);

}  // namespace shell_settings
