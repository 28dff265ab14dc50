#pragma once

#include "platform/Process.h"
#include "text/Text.h"

#include <memory>

namespace tg::test {

// Starts a command line's word from the fakes' folder by its full path: Windows finds its own
// network commands in the system folder before anything on PATH, and they must never run in a
// test.
inline std::unique_ptr<platform::ChildProcess>
startFromFolder(const Text& folder, const Text& line, bool isNT, const platform::WakeSignal& wake) {
    const std::size_t wordEnd = line.find(' ');
    return platform::startChildProcess('"' + folder + '/' + line.substr(0, wordEnd) + '"' +
                                           (wordEnd == Text::npos ? Text() : line.substr(wordEnd)),
                                       isNT, wake);
}

} // namespace tg::test
