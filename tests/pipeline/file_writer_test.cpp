// A signal that ends the process during a write leaves the old file or the
// whole new one, never a part, and no temporary file beside it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "pipeline/file_writer.h"

namespace quorvel {
namespace {

std::string contentOf(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FileWriterTest, ASignalDuringAWriteLeavesTheOldFileOrTheWholeNewOneAndNoTemporary) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("quorvel-writer-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path target = dir / "doc.qpf";
    const std::string old = "old\r\n";
    const std::string fresh(16 << 20, 'n');
    // From before the temporary exists to after the rename.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (int delay : {0, 1, 3, 10, 30, 100}) {
            std::ofstream(target, std::ios::binary) << old;
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                std::string reason;
                ::_exit(writeWholeFile(target.string(), fresh, {}, reason) ? 0 : 3);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            ::kill(child, signal);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            const bool ended = WIFSIGNALED(status) && WTERMSIG(status) == signal;
            const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            EXPECT_TRUE(ended || finished) << "signal " << signal << " after " << delay << " ms";
            const std::string now = contentOf(target);
            EXPECT_TRUE(now == old || now == fresh) << now.size() << " bytes after signal " << signal;
            for (const fs::directory_entry &entry : fs::directory_iterator(dir))
                EXPECT_EQ(entry.path(), target) << "left behind after signal " << signal << " at " << delay << " ms";
        }
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quorvel
