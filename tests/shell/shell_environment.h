// The shell's settings key and fonts folder, moved for the whole test program
// so that no test reads or writes the user's settings or the system's fonts.
#pragma once

#include <string>
#include <vector>

namespace shell_testing {

// The folder the shell copies dictionary fonts into during the tests.
const std::string& FontsFolder();
// Messages broadcast to all top-level windows, in order; tests clear it.
std::vector<unsigned>& Broadcasts();
// Removes the settings key of a RegKey with everything below it.
void DeleteSettings(const std::string& regKey);

}  // namespace shell_testing
