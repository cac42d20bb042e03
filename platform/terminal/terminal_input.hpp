// Keys from standard input: a terminal's bytes decoded into keys (escape
// sequences included), or one key per byte from a pipe or a file.  A wait
// blocks in poll() and never spins.
#pragma once

#include <atomic>
#include <deque>

#include "platform/terminal/terminal_decoder.hpp"

enum class InputEvent {
    key,      // a key was pressed
    resumed,  // the program continued after a stop: paint the console again
    ended,    // the input is at its end: no key comes from it any more
    woken,    // another thread asked the wait to return
};

class TerminalInput {
public:
    InputEvent wait(KeyPress& key);
    // After the input has ended: blocks until a resume (`resumed`) or `woken`.
    InputEvent wait_after_end();
    // Makes the current or the next wait return `woken`; callable from any thread.
    void stop_waiting();

private:
    void read_some();
    void end();

    TerminalKeyDecoder decoder_;
    std::deque<KeyPress> bytes_;  // keys of a pipe or a file, one per byte
    bool ended_ = false;
    std::atomic<bool> stop_requested_{false};
};
