// File names as typed: either slash on Windows, drives and shares, UTF-8
// names that reach the file system unchanged, and the words of a failed write.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include "tools/output/output_folder.hpp"
#include "tools/lib/paths.hpp"
#include "tools/export/shots.hpp"
#include "tools/output/write_failure.hpp"

namespace {

using Levels = std::vector<std::string>;

#ifdef _WIN32
const std::string sep = "\\";
#else
const std::string sep = "/";
#endif

// A new empty folder for one test, removed with all it holds.
struct TemporaryFolder {
    std::string path;
    TemporaryFolder()
    {
        char pattern[] = "/tmp/paths_testXXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(fs_path(path), ignored);
    }
};

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(fs_path(folder)))
        names.push_back(entry.path().filename().u8string());
    return names;
}

}  // namespace

TEST(Paths, FilesJoinTheFolderWithItsOwnSeparator)
{
    EXPECT_EQ(join_path("shots", "01.png"), "shots" + sep + "01.png");
    EXPECT_EQ(join_path("a/b/", "01.png"), "a/b/01.png");
    EXPECT_EQ(join_path("/", "01.png"), "/01.png");
    EXPECT_EQ(as_folder("shots/expected"), "shots/expected/");
#ifdef _WIN32
    EXPECT_EQ(join_path("shots\\expected", "01.png"), "shots\\expected\\01.png");
    EXPECT_EQ(join_path("C:\\x/y", "01.png"), "C:\\x/y/01.png");  // the last one typed
    EXPECT_EQ(join_path("C:", "01.png"), "C:\\01.png");
    EXPECT_EQ(as_folder("x1\\x2\\"), "x1\\x2\\");
#else
    EXPECT_EQ(join_path("a\\b", "01.png"), "a\\b/01.png");  // a backslash is a letter here
#endif
}

TEST(Paths, ParentsStopAtTheRoot)
{
    EXPECT_EQ(parent_path("a/b/c"), "a/b");
    EXPECT_EQ(parent_path("a//b//"), "a");
    EXPECT_EQ(parent_path("a"), ".");
    EXPECT_EQ(parent_path("/a"), "/");
    EXPECT_EQ(parent_path("/"), "/");
#ifdef _WIN32
    EXPECT_EQ(parent_path("x1\\x2\\x3"), "x1\\x2");
    EXPECT_EQ(parent_path("C:\\newc"), "C:\\");
    EXPECT_EQ(parent_path("C:\\"), "C:\\");
    EXPECT_EQ(parent_path("C:newc"), "C:");
    EXPECT_EQ(parent_path("\\\\server\\share\\d"), "\\\\server\\share\\");
    EXPECT_EQ(parent_path("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(parent_path("\\\\?\\C:\\x\\y"), "\\\\?\\C:\\x");
    EXPECT_EQ(parent_path("\\x"), "\\");
#else
    EXPECT_EQ(parent_path("a\\b"), ".");
#endif
}

TEST(Paths, LevelsAreTheFoldersBelowTheRootAsTyped)
{
    EXPECT_EQ(path_levels("/tmp/a/b"), (Levels{"/tmp", "/tmp/a", "/tmp/a/b"}));
    EXPECT_EQ(path_levels("a//b/"), (Levels{"a", "a//b"}));
    EXPECT_EQ(path_levels("shots"), (Levels{"shots"}));
    EXPECT_EQ(path_levels("/"), Levels{});
#ifdef _WIN32
    EXPECT_EQ(path_levels("shots\\expected"), (Levels{"shots", "shots\\expected"}));
    EXPECT_EQ(path_levels("C:\\newc\\newd"), (Levels{"C:\\newc", "C:\\newc\\newd"}));
    EXPECT_EQ(path_levels("x1\\x2/x3"), (Levels{"x1", "x1\\x2", "x1\\x2/x3"}));
    EXPECT_EQ(path_levels("\\\\server\\share\\d\\e"), (Levels{"\\\\server\\share\\d", "\\\\server\\share\\d\\e"}));
    EXPECT_EQ(path_levels("\\\\?\\C:\\d"), (Levels{"\\\\?\\C:\\d"}));
#endif
}

// The names reach the file system as UTF-8 (on Windows through the
// program's UTF-8 code page and std::filesystem's wide names).
TEST(Paths, HungarianAndGreekNamesAreKept)
{
    TemporaryFolder base;
    ASSERT_FALSE(base.path.empty());
    const std::string folder = base.path + sep + "Kőrösi" + sep + "Κόσμος";
    std::string error;
    OutputFolder output(folder, "folder");
    ASSERT_TRUE(output.take([] {}, error)) << error;
    ASSERT_TRUE(output.add("Kovács.png", [](std::FILE* f) { return std::fputs("x", f) >= 0; }, error)) << error;
    ASSERT_TRUE(output.commit(error)) << error;
    EXPECT_EQ(names_in(base.path), Levels{"Kőrösi"});
    EXPECT_EQ(names_in(base.path + "/Kőrösi"), Levels{"Κόσμος"});
    const std::string file = join_path(folder, "Kovács.png");
    EXPECT_TRUE(path_exists(file));
    EXPECT_EQ(names_in(folder), Levels{"Kovács.png"});
    EXPECT_TRUE(is_folder(folder));
    EXPECT_FALSE(is_folder(file));
}

TEST(Paths, AFailedFolderIsNamedAsTypedAndNothingStays)
{
    TemporaryFolder base;
    ASSERT_FALSE(base.path.empty());
    const std::string plain = base.path + sep + "plain";
    std::ofstream(fs_path(plain)) << "x";
    std::string error;
    // (a name too long for any file system, below a level that this run makes)
    EXPECT_FALSE(OutputFolder(base.path + sep + "new" + sep + std::string(300, 'x'), "folder").take([] {}, error));
    const std::string below = plain + sep + "below" + sep + "deeper";
    EXPECT_FALSE(OutputFolder(below, "folder").take([] {}, error));
    EXPECT_NE(error.find("cannot create folder " + below + ": "), std::string::npos) << error;
    EXPECT_EQ(names_in(base.path), Levels{"plain"});  // "new" made, then removed again
}

TEST(WriteFailure, AClosedPipeIsToldAsOne)
{
    int ends[2];
#ifdef _WIN32
    ASSERT_EQ(_pipe(ends, 256, _O_BINARY), 0);
#else
    ASSERT_EQ(pipe(ends), 0);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
#endif
    close(ends[0]);
    errno = 0;
    EXPECT_EQ(write(ends[1], "x", 1), -1);
    EXPECT_EQ(write_failure_reason(errno), ": " + std::string(std::strerror(EPIPE)));
    close(ends[1]);
#ifndef _WIN32
    std::signal(SIGPIPE, previous);
#endif
    // Another failure keeps its words, whatever the system said last.
#ifdef _WIN32
    SetLastError(ERROR_NO_DATA);
#endif
    EXPECT_EQ(write_failure_reason(ENOSPC), ": " + std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(write_failure_reason(0), "");
}
