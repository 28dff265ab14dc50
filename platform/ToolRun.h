#pragma once

// Starting the system's own tools for the Linux stand-ins of the Windows commands.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::platform {

// The path of a tool in the system's own folders (a user's PATH may lack the sbin ones); empty
// when it is not installed.
std::string findSystemTool(const std::string& name);

struct ToolRun {
    bool started = false;
    int status = 1;           // the exit status, or 128 + the signal that ended it
    bool interrupted = false; // SIGINT came while it ran
};

// Runs a tool with the C locale in this process group (an abort ends it with us), handing what
// it writes on its standard output and error to output as it comes. SIGINT (Ctrl+C, or the
// window's abort to the whole group) is passed on to the tool, which takes it its default way
// even where ours was ignored, and what it still writes is read to the end.
ToolRun runToolOutput(const std::string& path, const std::vector<std::string>& args,
                      const std::function<void(std::string_view)>& output);
// Runs a tool with this process's environment and output; its exit status, -1 when it could not
// be started.
int runToolWaiting(const std::string& path, const std::vector<std::string>& args);
// Becomes the tool; returns only when that failed, with the reason.
std::string replaceProcessWithTool(const std::string& path, const std::vector<std::string>& args);

} // namespace tg::platform
