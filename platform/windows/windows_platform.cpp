// The Windows platform.  The main thread waits for the console input, the
// window's messages and a wake-up event at once; piped input is read by a
// thread of its own, and the console's control events (Ctrl+C, Ctrl+Break,
// the console closed) arrive on a thread of the system's, which ends the
// program there and then.  No wait spins.
#include "platform/windows/windows_platform.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/windows/windows_keys.hpp"
#include "runtime/checks.hpp"

namespace {

constexpr int interrupted_exit_code = 130;    // as a show stopped by Ctrl+C on Linux
constexpr int console_closed_exit_code = 129;  // as a show whose terminal hung up

Win32Console* the_console = nullptr;

// Safe from any thread and more than once; the window goes with the process.
void give_back_console()
{
    if (the_console) the_console->restore();
}

BOOL WINAPI on_console_control(DWORD event)
{
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    end_program(interrupt ? interrupted_exit_code : console_closed_exit_code, {}, EndingFrom::handler);
}

// The program's file name without its folder and ".exe".
std::wstring program_name()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::string utf8_of(const std::wstring& wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr,
                            nullptr);
    return utf8;
}

}  // namespace

void WindowsPlatform::start()
{
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    console_.take();
    the_console = &console_;
    set_signal_safe_closing_work(give_back_console);
    SetConsoleCtrlHandler(on_console_control, TRUE);
    if (!console_.input()) start_pipe_reader();
}

bool WindowsPlatform::open_window(int& width, int& height)
{
    if (!window_.open(program_name().c_str(), width, height)) {
        width = 640;
        height = 480;
        if (!told_no_window_) tell(utf8_of(program_name()) + ": no window could be opened\n");
        told_no_window_ = true;
        return false;
    }
    return true;
}

void WindowsPlatform::show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed)
{
    window_.show(picture, palette, changed);
}

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
    std::fflush(nullptr);
    console_.restore();
}

void WindowsPlatform::tell(std::string_view line) { console_.tell(line); }

bool WindowsPlatform::key_pressed_before(std::chrono::steady_clock::time_point deadline)
{
    // Late or not, what came meanwhile is handled: a drawing slower than its
    // schedule still sees keys and repaints.
    while (keys_.empty() && window_.is_open()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (!wait_once(static_cast<DWORD>(std::max<long long>(left.count(), 0)))) break;
        if (left.count() <= 0) break;
    }
    const bool pressed = !keys_.empty();
    keys_.clear();
    return pressed;
}

bool WindowsPlatform::wait_for_keys()
{
    while (keys_.empty())
        if (!wait_once(INFINITE)) return false;
    return true;
}

bool WindowsPlatform::wait_once(DWORD milliseconds)
{
    if (window_.gone()) end_program(0, {}, EndingFrom::program);
    take_piped_keys();
    if (!keys_.empty()) return true;
    if (!keys_can_come()) return false;
    HANDLE handles[2] = {wake_, console_.input()};
    const DWORD count = console_.input() ? 2 : 1;
    const DWORD woken = window_.is_open()
                            ? MsgWaitForMultipleObjects(count, handles, FALSE, milliseconds, QS_ALLINPUT)
                            : WaitForMultipleObjects(count, handles, FALSE, milliseconds);
    if (woken == WAIT_FAILED) return false;
    if (console_.input()) read_console_keys();
    take_piped_keys();
    if (!window_.is_open()) return true;
    switch (window_.handle_messages(keys_)) {
    case WindowRequest::close: end_program(0, {}, EndingFrom::program);
    case WindowRequest::interrupt: end_program(interrupted_exit_code, {}, EndingFrom::program);
    case WindowRequest::none: break;
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
                end_program(interrupted_exit_code, {}, EndingFrom::program);
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
