// Keys from standard input when it is a pipe or a file: one key per byte,
// escape sequences included, and once the input has ended every wait
// returns at once.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "platform/terminal/terminal_input.hpp"

namespace {

// Standard input from a pipe holding `bytes`, closed after them, for one test.
class PipedInput {
public:
    explicit PipedInput(const std::string& bytes)
    {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        EXPECT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(ends[1]);
        saved_ = dup(STDIN_FILENO);
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
    }
    ~PipedInput()
    {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }

private:
    int saved_ = -1;
};

TEST(PipedKeys, EveryByteIsOneKeyThenTheInputEnds)
{
    PipedInput input("a\x1b[A\r\x7f");
    TerminalInput keys;
    std::string got;
    KeyPress key{};
    while (keys.wait(key) == InputEvent::key) {
        EXPECT_EQ(key.scan_code, 0);
        got += static_cast<char>(key.character);
    }
    EXPECT_EQ(got, "a\x1b[A\r\x7f");
    // No key can come any more: the waits do not block.
    EXPECT_EQ(keys.wait(key), InputEvent::ended);
    EXPECT_EQ(keys.wait(key), InputEvent::ended);
}

TEST(PipedKeys, EmptyInputEndsAtOnce)
{
    PipedInput input("");
    TerminalInput keys;
    KeyPress key{};
    EXPECT_EQ(keys.wait(key), InputEvent::ended);
}

TEST(PipedKeys, ReadsNoFurtherThanTheKeysTaken)
{
    PipedInput input("xyz");
    {
        TerminalInput keys;
        KeyPress key{};
        ASSERT_EQ(keys.wait(key), InputEvent::key);
        EXPECT_EQ(key.character, 'x');
    }
    // What the waits did not need is still there for whoever reads next.
    char rest[4] = {};
    EXPECT_EQ(read(STDIN_FILENO, rest, sizeof rest), 2);
    EXPECT_STREQ(rest, "yz");
}

}  // namespace
