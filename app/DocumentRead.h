#pragma once

#include "documents/DocumentFile.h"
#include "text/Text.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace tg {

// A document file read and taken apart on a thread of its own, so that the window goes on
// answering however large or slow the file is. The thread shares nothing with the window but
// this object's state, which outlives whichever of the two ends first.
class DocumentRead {
public:
    DocumentRead(std::filesystem::path path, std::vector<Text> labels, Text separator);
    // Stops the read and waits for it a little; a thread stuck in the system is left to end on
    // its own.
    ~DocumentRead();
    DocumentRead(const DocumentRead&) = delete;
    DocumentRead& operator=(const DocumentRead&) = delete;

    // True once the read has ended, waiting for it at most the given time.
    bool waitFor(std::chrono::milliseconds time) const;
    void cancel();
    bool cancelled() const;
    std::uint64_t bytesRead() const;
    std::uint64_t fileSize() const;

    // Once ended: the views' sections, or the read's error as a tg::Error whose message names the
    // file and the reason.
    DocumentSections takeSections();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace tg
