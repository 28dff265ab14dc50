#pragma once

#include "commands/CommandRunner.h"
#include "documents/DocumentFile.h"
#include "text/Text.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

namespace tg {

// What produced a view's text: the command line as run ("winconf" for the system report), when it
// started and ended (local time with its offset from UTC) and how it ended.
struct RunRecord {
    Text command;
    Text started;
    Text ended;
    RunEnding ending = RunEnding::Completed;
    std::optional<int> exitCode;
};

// "2026-12-08T09:34:12+09:00": the moment in the computer's local time, with the offset from UTC.
Text localTimeText(std::chrono::system_clock::time_point moment);

// The record in a few Japanese lines, as the output pane's tool tip shows it (cp932).
Text recordDescription(const RunRecord& record);
// How the run ended in a word: "exited", "aborted", "notStarted" or "completed".
const char* endingName(RunEnding ending);

// The document: every view's label, text and default text, the runs that made the texts, its file
// name and whether it holds changes not yet saved. The window, the exports and the collector share
// it. A document file keeps the texts only: an opened document has no records.
class Document {
public:
    static constexpr const char* kDefaultName = "untitled.txt";
    static constexpr const char* kSeparator = "-----";

    void addView(Text label, Text defaultText);

    std::size_t viewCount() const { return labels_.size(); }
    const std::vector<Text>& labels() const { return labels_; }
    const std::vector<Text>& texts() const { return texts_; }
    const std::vector<Text>& defaultTexts() const { return defaultTexts_; }
    // A view's text; a run moves its output straight into it.
    Text& text(std::size_t view) { return texts_.at(view); }
    // True while the view's text is still its default, that is, holds no output.
    bool isEmpty(std::size_t view) const { return texts_.at(view) == defaultTexts_.at(view); }
    const std::optional<RunRecord>& record(std::size_t view) const { return records_.at(view); }

    // A run has put its output into the view's text: its record is kept, and the document is
    // changed.
    void runEnded(std::size_t view, RunRecord record);

    // The file's name as the system knows it, never cp932 text.
    const std::filesystem::path& name() const { return name_; }
    void setName(std::filesystem::path name) { name_ = std::move(name); }
    // No file of its own yet: the name is empty or the default one.
    bool isUnnamed() const { return name_.empty() || name_ == kDefaultName; }
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // New and Close: every view back to its default text, no records, the default name.
    void reset();
    // Open: the texts a document file gives; the records go with the texts they described.
    void applySections(DocumentSections sections);

    // The document file's bytes.
    Text fileBytes() const;

private:
    std::vector<Text> labels_;
    std::vector<Text> texts_;
    std::vector<Text> defaultTexts_;
    std::vector<std::optional<RunRecord>> records_;
    std::filesystem::path name_ = kDefaultName;
    bool modified_ = false;
};

} // namespace tg
