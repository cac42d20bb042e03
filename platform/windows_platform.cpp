// The Windows platform.  The main thread waits for the console input, the
// window's messages and a wake-up event at once; piped input is read by a
// thread of its own, and the console's control events (Ctrl+Break, the
// console closed) arrive on a thread of the system's.  No wait spins.
#include "platform/windows_platform.hpp"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/windows_keys.hpp"

namespace {

constexpr int interrupted_exit_code = 130;    // as a show stopped by Ctrl+C on Linux
constexpr int console_closed_exit_code = 129;  // as a show whose terminal hung up

std::atomic<int> requested_end{0};  // an exit code asked for by a control event
HANDLE wake_event = nullptr;

BOOL WINAPI on_console_control(DWORD event)
{
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    requested_end = interrupt ? interrupted_exit_code : console_closed_exit_code;
    SetEvent(wake_event);
    // The process ends when this returns from a close: the main thread ends it first.
    if (!interrupt) Sleep(INFINITE);
    return TRUE;
}

std::wstring program_name()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace

void WindowsPlatform::start()
{
    wake_ = wake_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    console_.take(console_state());
    SetConsoleCtrlHandler(on_console_control, TRUE);
    if (!console_.input()) start_pipe_reader();
}

void WindowsPlatform::finish()
{
    close_window();
    restore_terminal();
}

bool WindowsPlatform::open_window(int& width, int& height)
{
    if (!window_.open(program_name().c_str(), width, height)) {
        width = 640;
        height = 480;
        return false;
    }
    return true;
}

void WindowsPlatform::show_picture(const PictureView& picture, const DirtyRect& dirty) { window_.show(picture, dirty); }

void WindowsPlatform::close_window() { window_.close(); }

bool WindowsPlatform::terminal_size(int& columns, int& rows) { return console_.size(columns, rows); }

void WindowsPlatform::clear_text_window(const ConsoleState& state)
{
    if (console_.has_output()) console_.clear(state);
}

bool WindowsPlatform::write_line(std::string_view cp437_text, ConsoleState& state)
{
    if (!console_.has_output()) return write_plain_line(cp437_text);
    return console_.write_line(cp437_text, state);
}

bool WindowsPlatform::wait_key(KeyPress& key)
{
    if (keys_.empty() && !wait_for_keys()) return false;
    key = keys_.front();
    keys_.pop_front();
    return true;
}

void WindowsPlatform::restore_terminal()
{
    console_.restore();
    std::fflush(nullptr);
}

bool WindowsPlatform::wait_for_keys()
{
    while (keys_.empty()) {
        if (const int code = requested_end.load()) end_show(code);
        take_piped_keys();
        if (!keys_.empty()) break;
        if (!keys_can_come()) return false;
        HANDLE handles[2] = {wake_, console_.input()};
        const DWORD count = console_.input() ? 2 : 1;
        const DWORD woken = window_.is_open()
                                ? MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_ALLINPUT)
                                : WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (woken == WAIT_FAILED) return false;
        if (console_.input()) read_console_keys();
        if (!window_.is_open()) continue;
        switch (window_.handle_messages(keys_)) {
        case WindowRequest::close: end_show(0);
        case WindowRequest::interrupt: end_show(interrupted_exit_code);
        case WindowRequest::none: break;
        }
    }
    return true;
}

bool WindowsPlatform::keys_can_come()
{
    if (window_.is_open() || console_.input()) return true;
    std::lock_guard<std::mutex> lock(piped_lock_);
    return pipe_open_ || !piped_.empty();
}

void WindowsPlatform::take_piped_keys()
{
    std::lock_guard<std::mutex> lock(piped_lock_);
    while (!piped_.empty()) {
        keys_.push_back(piped_.front());
        piped_.pop_front();
    }
}

// Everything waiting in console input; never blocks.
void WindowsPlatform::read_console_keys()
{
    INPUT_RECORD records[64];
    DWORD waiting = 0, got = 0;
    while (GetNumberOfConsoleInputEvents(console_.input(), &waiting) && waiting > 0 &&
           ReadConsoleInputW(console_.input(), records, 64, &got) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            if (records[i].EventType != KEY_EVENT || !records[i].Event.KeyEvent.bKeyDown) continue;
            const KEY_EVENT_RECORD& event = records[i].Event.KeyEvent;
            const DWORD held = event.dwControlKeyState;
            const bool control = held & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED);
            const bool alt = held & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
            if ((event.uChar.UnicodeChar == interrupt_character && control) || event.wVirtualKeyCode == VK_CANCEL)
                end_show(interrupted_exit_code);
            KeyPress press{};
            const KeyModifier modifier = windows_modifier(held & SHIFT_PRESSED, control, alt);
            if (!windows_key_press(event.wVirtualKeyCode, modifier, event.uChar.UnicodeChar, press)) continue;
            for (WORD repeat = 0; repeat < std::max<WORD>(event.wRepeatCount, 1); ++repeat) keys_.push_back(press);
        }
    }
}

// Piped input: one key per byte, read on a thread that the end of the
// program ends, blocked in ReadFile or not.
void WindowsPlatform::start_pipe_reader()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) return;
    pipe_open_ = true;
    std::thread([this, input] {
        unsigned char bytes[256];
        DWORD got = 0;
        bool open = true;
        while (open) {
            open = ReadFile(input, bytes, sizeof bytes, &got, nullptr) && got > 0;
            std::lock_guard<std::mutex> lock(piped_lock_);
            for (DWORD i = 0; i < got && open; ++i) piped_.push_back({bytes[i], 0});
            pipe_open_ = open;
            SetEvent(wake_);
        }
    }).detach();
}

void WindowsPlatform::end_show(int exit_code)
{
    close_window();
    restore_terminal();
    ExitProcess(static_cast<UINT>(exit_code));
}
