#pragma once

#include <filesystem>

namespace tg::platform {

// This user's folder for the program's settings: %APPDATA%\TIDEGAUGE-INFO on Windows,
// $XDG_CONFIG_HOME/tginfo (by default ~/.config/tginfo) elsewhere. Empty when the system names
// no such place. The folder need not exist yet.
std::filesystem::path userSettingsFolder();

// The running program's own file, found without the toolkit; empty when the system does not say.
std::filesystem::path runningProgramPath();

} // namespace tg::platform

namespace tg {

// The settings file: the executable's path with the extension ".INI", beside the executable
// whenever that folder can be written. Only where it cannot, as in a system-wide installation,
// the same name in userFolder, which is created: a file that can never be written would lose the
// window's place and the history at every exit.
std::filesystem::path settingsFilePath(const std::filesystem::path& executable,
                                       const std::filesystem::path& userFolder);

// The same file for a reader that writes nothing, such as the collector: userFolder is not
// created.
std::filesystem::path settingsFileToRead(const std::filesystem::path& executable,
                                         const std::filesystem::path& userFolder);

// The help file: the executable's path with the extension ".chm" if that file exists, else the
// same name where an installed program keeps its data (bin/../share/tginfo/) if that exists, else
// the one beside the executable, for the shell to report as missing.
std::filesystem::path helpFilePath(const std::filesystem::path& executable);

} // namespace tg
