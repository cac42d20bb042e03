// The output folder: a set of new files put in place all at once or not at
// all, the lock between two runs, and what a killed run leaves put back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tools/output/output_folder.hpp"

namespace {

namespace fs = std::filesystem;

class OutputFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "output_folder_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        base = pattern;
    }
    void TearDown() override { fs::remove_all(base); }

    std::string path(const std::string& name) const { return base + "/" + name; }
    void put(const std::string& name, const std::string& text) const { std::ofstream(path(name)) << text; }
    std::string text(const std::string& name) const
    {
        std::ifstream in(path(name));
        return in ? std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) : "(none)";
    }
    std::set<std::string> entries(const std::string& folder = "") const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.empty() ? base : folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    // The one work folder of a run under way.
    std::string work_folder() const
    {
        std::string found;
        for (const std::string& name : entries())
            if (name.rfind(OutputFolder::work_prefix, 0) == 0) found = path(name);
        EXPECT_FALSE(found.empty());
        return found;
    }
    void put_old(const std::string& name, const std::string& text) const
    {
        put(name, text);
        const timeval long_ago[2] = {{1000000000, 0}, {1000000000, 0}};  // 2001
        ASSERT_EQ(utimes(path(name).c_str(), long_ago), 0);
    }
    static bool add(OutputFolder& folder, const std::string& name, const std::string& text)
    {
        std::string error;
        const bool ok = folder.add(name, [&](std::FILE* file) { return std::fputs(text.c_str(), file) >= 0; }, error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    // The folder holds these pictures before a run.
    void old_set() const
    {
        put("01.png", "old1");
        put("02.png", "old2");
        put("03.png", "old3");
    }
    void expect_old_set() const
    {
        EXPECT_EQ(text("01.png"), "old1");
        EXPECT_EQ(text("02.png"), "old2");
        EXPECT_EQ(text("03.png"), "old3");
        EXPECT_EQ(entries(), (std::set<std::string>{"01.png", "02.png", "03.png"}));
    }

    std::string base;
};

TEST_F(OutputFolderTest, CommitPutsEveryFileInPlaceAndLeavesNothingOfItsOwn)
{
    old_set();
    OutputFolder folder(base, "folder");
    std::string error;
    ASSERT_TRUE(folder.take({}, error)) << error;
    add(folder, "01.png", "new1");
    add(folder, "02.png", "new2");
    add(folder, "04.png", "new4");
    folder.remove_at_commit("03.png");
    EXPECT_EQ(text("01.png"), "old1") << "nothing changes before the commit";
    ASSERT_TRUE(folder.commit(error)) << error;
    EXPECT_EQ(text("01.png"), "new1");
    EXPECT_EQ(text("02.png"), "new2");
    EXPECT_EQ(text("04.png"), "new4");
    EXPECT_EQ(entries(), (std::set<std::string>{"01.png", "02.png", "04.png"}));
}

TEST_F(OutputFolderTest, ANewFileLostBeforeTheCommitChangesNothing)
{
    old_set();
    OutputFolder folder(base, "folder");
    std::string error;
    ASSERT_TRUE(folder.take({}, error)) << error;
    add(folder, "01.png", "new1");
    add(folder, "02.png", "new2");
    add(folder, "03.png", "new3");
    ASSERT_TRUE(fs::remove(work_folder() + "/03.png"));
    EXPECT_FALSE(folder.commit(error));
    EXPECT_NE(error.find(path("03.png")), std::string::npos) << error;
    expect_old_set();
}

TEST_F(OutputFolderTest, AFailedConfirmationPutsEverythingBack)
{
    old_set();
    OutputFolder folder(base, "folder");
    std::string error;
    ASSERT_TRUE(folder.take({}, error)) << error;
    add(folder, "01.png", "new1");
    add(folder, "05.png", "new5");
    folder.remove_at_commit("02.png");
    bool saw_new = false;
    EXPECT_FALSE(folder.commit(error, [&](std::string& confirm_error) {
        saw_new = text("01.png") == "new1" && text("05.png") == "new5" && text("02.png") == "(none)";
        confirm_error = "cannot write the report";
        return false;
    }));
    EXPECT_TRUE(saw_new) << "the confirmation runs with the new files in place";
    EXPECT_EQ(error, "cannot write the report");
    expect_old_set();
}

TEST_F(OutputFolderTest, FoldersItMadeGoWithADiscardOrAnInterrupt)
{
    for (const bool interrupt : {false, true}) {
        OutputFolder folder(path("a/b/c"), "folder");
        std::string error;
        ASSERT_TRUE(folder.take({}, error)) << error;
        add(folder, "01.png", "new1");
        if (interrupt)
            InterruptCleanup::run_all();
        else
            folder.discard();
        EXPECT_TRUE(entries().empty()) << *entries().begin();
    }
}

TEST_F(OutputFolderTest, TakingRefusesWhatIsNoFolderAndAFolderInAPicturesPlace)
{
    put("plain", "text");
    std::string error;
    OutputFolder file(path("plain"), "folder");
    EXPECT_FALSE(file.take({}, error));
    EXPECT_EQ(error, "not a folder: " + path("plain"));
    OutputFolder below(path("plain/below"), "folder");
    EXPECT_FALSE(below.take({}, error));
    EXPECT_NE(error.find("plain is not a folder"), std::string::npos) << error;
    fs::create_directory(path("05.png"));
    OutputFolder folder(base, "folder");
    ASSERT_TRUE(folder.take({}, error)) << error;
    EXPECT_FALSE(folder.check_replaceable({"04.png", "05.png"}, error));
    EXPECT_EQ(error, "cannot write " + path("05.png") + ": a folder is in its place");
}

// A process number that no process has now.
long ended_process()
{
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(OutputFolderTest, TheNextRunPutsBackWhatAKilledRunLeftAndOnlyThat)
{
    // Killed while placing: 05.png and 06.png new in place, the old 05.png
    // and 07.png (to be removed) kept aside.
    old_set();
    const std::string dead = std::to_string(ended_process());
    const std::string work = std::string(OutputFolder::work_prefix) + dead;
    fs::create_directory(path(work));
    put(work + "/journal", "05.png 1 1\n06.png 0 1\n07.png 1 0\n");
    put("05.png", "new5");
    put(work + "/old-05.png", "old5");
    put("06.png", "new6");
    put(work + "/old-07.png", "old7");
    // A part file of an older version of a dead run, and files of others.
    put(".08.png." + dead + ".3.part", "part");
    put(".08.png.notes", "mine");
    const std::string running = std::string(OutputFolder::work_prefix) + std::to_string(getppid());
    fs::create_directory(path(running));
    OutputFolder folder(base, "folder");
    std::string error;
    ASSERT_TRUE(folder.take({}, error)) << error;
    EXPECT_EQ(text("05.png"), "old5");
    EXPECT_EQ(text("06.png"), "(none)");
    EXPECT_EQ(text("07.png"), "old7");
    EXPECT_EQ(entries(), (std::set<std::string>{"01.png", "02.png", "03.png", "05.png", "07.png", ".08.png.notes",
                                                 running, OutputFolder::lock_name}));
    folder.discard();

    // Killed after every new file was in place: they stay.
    fs::create_directory(path(work));
    put(work + "/done", "05.png 1 1\n");
    put(work + "/old-05.png", "older");
    put("05.png", "newer");
    OutputFolder again(base, "folder");
    ASSERT_TRUE(again.take({}, error)) << error;
    EXPECT_EQ(text("05.png"), "newer");
    EXPECT_EQ(entries().count(work), 0u);
}

// What a stranger plants in a folder others can write, for the next run to
// act on: nothing of it is acted on, nothing outside the folder is touched,
// and every case is said on standard error.
TEST_F(OutputFolderTest, PlantedJournalsWorkFoldersAndLocksAreLeftAlone)
{
    fs::create_directory(path("out"));
    put("config", "the user's own");
    put("out/notes.txt", "the user's notes");
    put("out/05.png", "the user's picture");
    const std::string prefix = std::string("out/") + OutputFolder::work_prefix;
    const auto plant = [&](const std::string& work, const std::string& journal) {
        fs::create_directory(path(work));
        put(work + "/journal", journal);
        put(work + "/old-05.png", "planted");
    };
    // Names our commands never write, and a line too many fields long.
    const std::string escaping = prefix + std::to_string(ended_process());
    plant(escaping, "notes.txt 0 1\n../config 1 1\n");
    fs::create_directory(path(escaping + "/old-.."));
    put(escaping + "/old-../config", "planted");
    const std::string odd = prefix + std::to_string(ended_process());
    plant(odd, "05.png 1 1 1\n");
    // A journal that is a link to a sound one, and a work folder that is a
    // link to a folder of the user's with a sound journal.
    const std::string linked = prefix + std::to_string(ended_process());
    plant(linked, "");
    put("sound", "05.png 1 1\n");
    fs::remove(path(linked + "/journal"));
    fs::create_symlink(path("sound"), path(linked + "/journal"));
    plant("elsewhere", "05.png 1 1\n");
    const std::string link = prefix + std::to_string(ended_process());
    fs::create_directory_symlink(path("elsewhere"), path(link));
    std::set<std::string> planted = {"notes.txt", "05.png", OutputFolder::lock_name};
    for (const std::string& name : {escaping, odd, linked, link}) planted.insert(name.substr(4));
    // Another user's work folder with a sound journal (only root can make one).
    const std::string strangers = prefix + std::to_string(ended_process());
    if (geteuid() == 0) {
        plant(strangers, "05.png 1 1\n");
        ASSERT_EQ(chown(path(strangers).c_str(), 65534, 65534), 0);
        planted.insert(strangers.substr(4));
    }

    OutputFolder folder(path("out"), "folder");
    std::string error;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(folder.take({}, error)) << error;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text("config"), "the user's own");
    EXPECT_EQ(text("out/notes.txt"), "the user's notes");
    EXPECT_EQ(text("out/05.png"), "the user's picture");
    EXPECT_EQ(text("elsewhere/old-05.png"), "planted");
    EXPECT_EQ(entries(path("out")), planted);
    for (const std::string& name : {escaping, odd, linked, link})
        EXPECT_NE(said.find(path(name)), std::string::npos) << name << " not named in:\n" << said;
    if (geteuid() == 0) {
        EXPECT_NE(said.find(path(strangers) + ": left alone: another user's"), std::string::npos);
    }
    folder.discard();
}

// A link or a stranger's file in the lock's place is no lock of ours.
TEST_F(OutputFolderTest, ALinkOrAStrangersFileInTheLocksPlaceIsNoLock)
{
    fs::create_directory(path("out"));
    std::string error;
    fs::create_symlink(path("made-by-the-lock"), path("out/") + OutputFolder::lock_name);
    OutputFolder locked(path("out"), "folder");
    EXPECT_FALSE(locked.take({}, error));
    EXPECT_NE(error.find("is a link, not a lock of ours"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(path("made-by-the-lock")));
    if (geteuid() == 0) {
        fs::remove(path("out/") + OutputFolder::lock_name);
        put(std::string("out/") + OutputFolder::lock_name, "");
        ASSERT_EQ(chown(path(std::string("out/") + OutputFolder::lock_name).c_str(), 65534, 65534), 0);
        EXPECT_FALSE(locked.take({}, error));
        EXPECT_NE(error.find("another user's file"), std::string::npos) << error;
        EXPECT_TRUE(fs::exists(path(std::string("out/") + OutputFolder::lock_name)));
    }
}

TEST(ProcessIdentity, ANumberAndAStartNameOneProcessForGood)
{
    const long parent = getppid();
    const unsigned long long start = process_start(parent);
    ASSERT_NE(start, 0u) << "the start of a running process can be read";
    EXPECT_EQ(own_start(), process_start(getpid()));
    EXPECT_TRUE(process_runs(parent, start));
    EXPECT_TRUE(process_runs(parent, 0)) << "no start in the name: the number decides";
    EXPECT_FALSE(process_runs(parent, start + 1)) << "another process under the same number";
    const long ended = ended_process();
    EXPECT_FALSE(process_runs(ended, process_start(ended)));
    // Ended but not yet waited for: a killed run whose parent is gone too.
    const pid_t zombie = fork();
    if (zombie == 0) _exit(0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, zombie, &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(process_runs(zombie));
    EXPECT_FALSE(process_runs(zombie, process_start(zombie)));
    waitpid(zombie, nullptr, 0);
    EXPECT_FALSE(process_started_after(parent, static_cast<long long>(std::time(nullptr))));
    EXPECT_TRUE(process_started_after(parent, 1000000000));
}

TEST_F(OutputFolderTest, AKilledRunIsToldByItsStartWhenItsNumberIsReused)
{
    // The parent process stands in for an unrelated one that got the number
    // of a killed run; each work folder holds a new 05.png in place.
    const std::string parent = std::to_string(getppid());
    const std::string prefix = OutputFolder::work_prefix;
    const std::string reused = prefix + parent + "." + std::to_string(process_start(getppid()) + 1);
    const std::string live = prefix + parent + "." + std::to_string(process_start(getppid()));
    const std::string older_version = prefix + parent;
    put("05.png", "new5");
    for (const std::string& work : {reused, live, older_version}) {
        fs::create_directory(path(work));
        put(work + "/journal", "05.png 1 1\n");
    }
    put(reused + "/old-05.png", "old5");
    // Made long before the parent started: a killed run of an older version.
    put_old(older_version + "/old-06.png", "kept aside");
    put_old(older_version + "/journal", "06.png 1 1\n");
    const timeval long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimes(path(older_version).c_str(), long_ago), 0);
    put_old(".09.png." + parent + ".1.part", "part");
    put(".10.png." + parent + ".1.part", "part of a run under way");
    const std::string too_long = prefix + std::string(40, '9');
    fs::create_directory(path(too_long));

    OutputFolder folder(base, "folder");
    std::string error;
    ASSERT_TRUE(folder.take({}, error)) << error;
    EXPECT_EQ(text("05.png"), "old5");
    EXPECT_EQ(text("06.png"), "kept aside");
    EXPECT_EQ(entries(), (std::set<std::string>{"05.png", "06.png", live, ".10.png." + parent + ".1.part", too_long,
                                                 OutputFolder::lock_name}));
    folder.discard();
}

TEST_F(OutputFolderTest, ASecondRunWaitsUntilTheFirstHasCommitted)
{
    OutputFolder first(base, "folder");
    std::string error;
    ASSERT_TRUE(first.take({}, error)) << error;
    add(first, "01.png", "first");
    std::atomic<bool> waiting{false}, taken{false};
    std::string seen;
    std::thread second_run([&] {
        OutputFolder second(base, "folder");
        std::string second_error;
        const bool ok = second.take([&] { waiting = true; }, second_error);
        seen = text("01.png");
        taken = ok;
        if (ok) second.discard();
    });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!waiting && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
    EXPECT_TRUE(waiting.load());
    EXPECT_FALSE(taken.load());
    EXPECT_TRUE(first.commit(error)) << error;
    second_run.join();
    EXPECT_TRUE(taken.load());
    EXPECT_EQ(seen, "first") << "the second run starts on the first one's files";
}

}  // namespace
