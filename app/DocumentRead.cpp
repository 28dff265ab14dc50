#include "app/DocumentRead.h"

#include "platform/Files.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "text/FileProblem.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

namespace tg {

struct DocumentRead::State {
    std::filesystem::path path;
    std::vector<Text> labels;
    Text separator;
    platform::ReadProgress progress;

    mutable std::mutex mutex;
    mutable std::condition_variable ended;
    bool done = false;
    DocumentSections sections;
    std::optional<Text> error;

    void run() noexcept {
        DocumentSections result;
        std::optional<Text> failure;
        const char* action = "ファイルを読み込めません";
        try {
            Text bytes = platform::readRegularFile(path, kDocumentFileLimit, &progress);
            result = readDocumentSections(bytes, labels, separator);
        } catch (const Error& e) {
            // The file layer names the file itself; what the document's reading finds does not.
            Text shown = fromNativePath(path);
            if (!e.text().empty() && e.text().find(shown) != Text::npos)
                failure = e.text();
            else
                failure = utf8ToCp932(action) + ": " + shown + "\n" +
                          (e.text().empty() ? reasonText({}) : e.text());
        } catch (const std::bad_alloc&) {
            failure =
                fileErrorMessage(action, fromNativePath(path), {FileProblem::OutOfMemory, {}});
        } catch (...) {
            failure = fileErrorMessage(action, fromNativePath(path), {FileProblem::Other, {}});
        }
        std::lock_guard lock(mutex);
        sections = std::move(result);
        error = std::move(failure);
        done = true;
        ended.notify_all();
    }
};

DocumentRead::DocumentRead(std::filesystem::path path, std::vector<Text> labels, Text separator)
    : state_(std::make_shared<State>()) {
    state_->path = std::move(path);
    state_->labels = std::move(labels);
    state_->separator = std::move(separator);
    try {
        std::thread([state = state_] { state->run(); }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the read is done here, as it would be without one.
        state_->run();
    }
}

DocumentRead::~DocumentRead() {
    cancel();
    waitFor(std::chrono::seconds(2));
}

bool DocumentRead::waitFor(std::chrono::milliseconds time) const {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, time, [this] { return state_->done; });
}

void DocumentRead::cancel() {
    state_->progress.cancel.store(true);
}

bool DocumentRead::cancelled() const {
    return state_->progress.cancel.load();
}

std::uint64_t DocumentRead::bytesRead() const {
    return state_->progress.done.load(std::memory_order_relaxed);
}

std::uint64_t DocumentRead::fileSize() const {
    return state_->progress.total.load(std::memory_order_relaxed);
}

DocumentSections DocumentRead::takeSections() {
    std::lock_guard lock(state_->mutex);
    if (state_->error)
        throw Error(*state_->error);
    return std::move(state_->sections);
}

} // namespace tg
