#include "platform/Files.h"
#include "platform/Memory.h"
#include "text/Error.h"
#include "text/LargeBuffers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Files : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tg_files_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string bytesOf(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // The temporary file a save in progress writes, if there is one.
    fs::path temporary() const {
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() == ".tmp")
                return entry.path();
        }
        return {};
    }

    fs::path dir;
};

TEST_F(Files, ReadsEveryByteUpToTheLimitAndNoMore) {
    const std::string bytes("a\r\nb\rc\n\0\xFF\x95\x5C", 11);
    std::ofstream(dir / "f", std::ios::binary) << bytes;
    EXPECT_EQ(tg::platform::readRegularFile(dir / "f", 11), bytes);
    EXPECT_THROW(tg::platform::readRegularFile(dir / "f", 10), tg::Error);
    // A regular file that tells no size, as the kernel's own files do, is bounded all the same.
    EXPECT_THROW(tg::platform::readRegularFile("/proc/self/maps", 10), tg::Error);
}

// Killed at any moment of a save, the program leaves the whole old file or the whole new one,
// and the old one until the new one is complete.
TEST_F(Files, SaveKilledAtAnyMomentLeavesTheOldFileWhole) {
    const fs::path target = dir / "doc.txt";
    std::mt19937 random(std::random_device{}());
    std::string old(3u << 20, '\0');
    for (char& c : old)
        c = static_cast<char>(random());
    std::ofstream(target, std::ios::binary) << old;
    const std::string next(64u << 20, 'n');

    // Killed once the new bytes are partly written, then at random moments of the whole save.
    for (int round = 0; round < 6; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                tg::platform::replaceFile(target, next);
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        if (round == 0) {
            fs::path partial;
            std::error_code ec;
            while ((partial = temporary()).empty() || fs::file_size(partial, ec) < (1u << 20))
                std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 300000));
        }
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = bytesOf(target);
        if (round == 0)
            EXPECT_TRUE(now == old) << "round 0: the old file is gone";
        else
            EXPECT_TRUE(now == old || now == next) << "round " << round << ": " << now.size();
        fs::remove(temporary());
    }
}

// The pane gives memory to the room its next batch will take while the window is idle: the
// room is resident afterwards, and the buffer's bytes, size and room are as they were.
TEST(LargeBuffers, RoomAheadGetsMemoryAndTheBufferStaysAsItWas) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(probe, MAP_FAILED);
#ifdef MADV_POPULATE_WRITE
    const bool canPopulate = madvise(probe, page, MADV_POPULATE_WRITE) == 0;
#else
    const bool canPopulate = false;
#endif
    munmap(probe, page);
    if (!canPopulate)
        GTEST_SKIP() << "this system cannot give memory to room ahead of writes";

    tg::platform::useLargePagesForLargeBuffers();
    std::string buffer = "abc";
    tg::reserveGrowing(buffer, size_t(64) << 20);
    const size_t room = buffer.capacity();
    // The pages of the room from `from`, of `bytes`, that are not resident.
    auto missing = [&](size_t from, size_t bytes) {
        const auto start = reinterpret_cast<std::uintptr_t>(buffer.data()) + from;
        const std::uintptr_t first = start & ~(page - 1);
        std::vector<unsigned char> pages((start + bytes - first + page - 1) / page);
        EXPECT_EQ(mincore(reinterpret_cast<void*>(first), start + bytes - first, pages.data()), 0);
        return static_cast<size_t>(
            std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return !(p & 1); }));
    };
    const size_t from = size_t(8) << 20;
    const size_t bytes = size_t(4) << 20;
    EXPECT_GT(missing(from, bytes), 0u); // untouched room costs nothing yet
    tg::prepareRoom(buffer, from + bytes);
    EXPECT_EQ(missing(from, bytes), 0u);
    EXPECT_EQ(buffer, "abc");
    EXPECT_EQ(buffer.capacity(), room);
}

} // namespace
