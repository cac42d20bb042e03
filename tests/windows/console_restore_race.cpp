// The console given back from another thread while the main thread paints
// it, as the console's control handler does on Ctrl+C: once restore() has
// returned, the console keeps the mode and colours it had, however the two
// threads met.  Run in a terminal that Wine makes a console; exit code 0
// when every round gave everything back, 1 when one did not, 77 with no
// console.
#include <atomic>
#include <cstdio>
#include <thread>
#include <windows.h>

#include "platform/windows/windows_console.hpp"

namespace {

constexpr int rounds = 100;

struct ConsoleLook {
    WORD attribute = 0;
    DWORD input_mode = 0;
    bool operator==(const ConsoleLook& other) const
    {
        return attribute == other.attribute && input_mode == other.input_mode;
    }
};

bool look(ConsoleLook& now)
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return false;
    now.attribute = info.wAttributes;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &now.input_mode) != 0;
}

// One round: painting in white on blue until the console is given back
// from this thread, a few lines in.
bool round_gives_back(const ConsoleLook& before, int lines_first)
{
    Win32Console console;
    console.take();
    std::atomic<int> painted{0};
    std::atomic<bool> stop{false};
    std::thread painter([&] {
        ConsoleState state;
        state.right = 30;
        state.bottom = 4;
        state.attribute = 0x1F;
        while (!stop) {
            console.write_line("Szintvonal-1", state);
            ++painted;
        }
    });
    while (painted < lines_first) std::this_thread::yield();
    console.restore();
    ConsoleLook after;
    const bool read = look(after);
    stop = true;
    painter.join();
    ConsoleLook at_end;
    return read && after == before && look(at_end) && at_end == before;
}

}  // namespace

int main()
{
    ConsoleLook before;
    if (!look(before)) {
        std::fprintf(stderr, "no console\n");
        return 77;
    }
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
        if (!round_gives_back(before, 1 + round % 3)) ++failed;
        // (a failed round leaves its colours: the next starts from the first)
        SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), before.attribute);
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), before.input_mode);
    }
    std::fprintf(stderr, "%d of %d rounds left the console changed\n", failed, rounds);
    return failed == 0 ? 0 : 1;
}
