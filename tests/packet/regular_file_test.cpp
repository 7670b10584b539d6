// The regular-file check made before opening a file the user names: it must see what a path is
// without opening it (a FIFO without a writer would block the test for ever).
#include "files/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace tornel {
namespace {

TEST(NotRegularFileReason, NamesWhatIsNotARegularFile) {
    const test::TempDir dir;
    const auto file = dir.path() / "file.wav";
    std::ofstream(file) << "x";
    const auto fifo = dir.path() / "fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto link = dir.path() / "link.wav";
    std::filesystem::create_symlink(file, link);

    const struct {
        std::filesystem::path path;
        const char* reason;
    } cases[] = {
        {file, ""},
        {link, ""},                        // a link is judged by what it points to
        {dir.path() / "missing.wav", ""},  // left to the open, which says what is wrong
        {dir.path(), "это папка, а не файл"},
        {fifo, "это не обычный файл"},
        {"/dev/zero", "это не обычный файл"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NotRegularFileReason(c.path.string()), c.reason) << c.path;
    }
}

}  // namespace
}  // namespace tornel
