// The desktop platform.  With a window, the main thread waits in the
// window's event queue and a reader thread passes the terminal's keys into
// it; without one, the main thread waits on the terminal itself.  Neither
// wait spins.
#include "platform/desktop/desktop_platform.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>

#include "platform/desktop/sdl_keys.hpp"
#include "platform/terminal/terminal.hpp"
#include "runtime/checks.hpp"

namespace {

// The window went away without a close request: the show ends as if
// closed, from inside the window library, which must not be called again.
[[noreturn]] void end_after_window_loss() { end_program(0, {}, EndingFrom::handler); }

// Signals are for the main thread, whose handlers give the terminal back.
void block_signals_in_this_thread()
{
    sigset_t signals;
    sigfillset(&signals);
    sigdelset(&signals, SIGFPE);
    sigdelset(&signals, SIGSEGV);
    sigdelset(&signals, SIGBUS);
    sigdelset(&signals, SIGILL);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace

DesktopPlatform::~DesktopPlatform()
{
    if (reader_.joinable() && reader_.get_id() == std::this_thread::get_id())
        reader_.detach();
    else
        stop_reader();
}

void DesktopPlatform::start()
{
    take_terminal();
    // Before any Window call, the text window is the whole terminal.
    int columns = 0, rows = 0;
    if (output_terminal_size(columns, rows)) fit_console_to_terminal(columns, rows);
}

bool DesktopPlatform::open_window(int& width, int& height)
{
    if (!window_.open(width, height, end_after_window_loss)) {
        width = 640;
        height = 480;
        if (!told_no_window_)
            tell_on_error_output(std::string(program_invocation_short_name) +
                                 ": no window could be opened: " + window_.why_not_opened() + "\n");
        told_no_window_ = true;
        return false;
    }
    LibraryCallScope library;
    reader_event_ = SDL_RegisterEvents(1);
    if (reader_event_ != static_cast<std::uint32_t>(-1)) start_reader();
    return true;
}

void DesktopPlatform::show_picture(const PictureView& picture, const Palette& palette, const PixelRange& changed)
{
    window_.show(picture, palette, changed);
}

void DesktopPlatform::close_window()
{
    stop_reader();
    window_.close();
}

bool DesktopPlatform::terminal_size(int& columns, int& rows) { return output_terminal_size(columns, rows); }

void DesktopPlatform::clear_text_window(const ConsoleState& state)
{
    if (!output_is_terminal()) return;
    screen_.clear(state);
    paint_console(state, screen_.take_changed_rows());
}

bool DesktopPlatform::write_line(std::string_view cp437_text, ConsoleState& state)
{
    if (!output_is_terminal()) return write_plain_line(cp437_text);
    screen_.write_line(cp437_text, state);
    return paint_console(state, screen_.take_changed_rows());
}

bool DesktopPlatform::wait_key(KeyPress& key)
{
    if (keys_.empty() && !(window_.is_open() ? wait_with_window() : wait_without_window())) return false;
    key = keys_.front();
    keys_.pop_front();
    return true;
}

void DesktopPlatform::restore_terminal() { give_back_terminal(); }

void DesktopPlatform::tell(std::string_view line) { tell_on_error_output(line); }

bool DesktopPlatform::key_pressed_before(std::chrono::steady_clock::time_point deadline)
{
    LibraryCallScope library;
    SDL_Event event;
    // Late or not, the events that came meanwhile are handled: a drawing
    // slower than its schedule still sees keys and repaints.
    while (keys_.empty() && window_.is_open()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const bool got = left.count() > 0 ? SDL_WaitEventTimeout(&event, static_cast<int>(left.count())) != 0
                                          : SDL_PollEvent(&event) != 0;
        if (!got) break;
        handle(event);
    }
    const bool pressed = !keys_.empty();
    keys_.clear();
    return pressed;
}

bool DesktopPlatform::paint_console(const ConsoleState& state, RowRange rows)
{
    console_ = state;
    note_text_window(state.bottom, state.top + state.cursor_row - 1);
    // In the background the screen is the shell's; the console is painted
    // again when the program comes back.
    if (!claim_screen()) return true;
    return clear_room_on_screen() && write_output(paint_rows(screen_, state, rows));
}

bool DesktopPlatform::wait_without_window()
{
    KeyPress key{};
    for (;;) {
        switch (input_.wait(key)) {
        case InputEvent::key: keys_.push_back(key); return true;
        case InputEvent::ended: return false;
        case InputEvent::resumed:
            if (output_is_terminal()) paint_console(console_, {1, console_.bottom});
            break;
        case InputEvent::woken: break;
        }
    }
}

bool DesktopPlatform::wait_with_window()
{
    LibraryCallScope library;
    SDL_Event event;
    while (keys_.empty() && window_.is_open()) {
        if (SDL_WaitEvent(&event) == 0) return false;
        handle(event);
    }
    return !keys_.empty();
}

void DesktopPlatform::handle(const SDL_Event& event)
{
    KeyPress press{};
    if (event.type == SDL_QUIT) end_show();
    if (event.type == reader_event_) {
        handle_reader_message(event.user);
    } else if (event.type == SDL_WINDOWEVENT) {
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) end_show();
        window_.handle_window_event(event.window);
    } else if (event.type == SDL_KEYDOWN) {
        if (is_interrupt_key(event.key.keysym)) raise(SIGINT);
        if (window_key_press(event.key.keysym, press)) keys_.push_back(press);
    } else if (event.type == SDL_TEXTINPUT) {
        text_key_presses(event.text.text, keys_);
    }
}

void DesktopPlatform::handle_reader_message(const SDL_UserEvent& message)
{
    const auto packed = reinterpret_cast<std::uintptr_t>(message.data1);
    switch (static_cast<InputEvent>(message.code)) {
    case InputEvent::key:
        keys_.push_back({static_cast<unsigned char>(packed & 0xFF), static_cast<unsigned char>(packed >> 8)});
        break;
    case InputEvent::resumed:
        if (output_is_terminal()) paint_console(console_, {1, console_.bottom});
        window_.repaint();
        break;
    case InputEvent::ended:  // the window's keys go on
    case InputEvent::woken: break;
    }
}

void DesktopPlatform::start_reader()
{
    reader_ = std::thread([this] { read_terminal_keys(); });
}

void DesktopPlatform::stop_reader()
{
    if (!reader_.joinable()) return;
    input_.stop_waiting();
    reader_.join();
}

void DesktopPlatform::read_terminal_keys()
{
    block_signals_in_this_thread();
    KeyPress key{};
    InputEvent event = InputEvent::woken;
    while ((event = input_.wait(key)) != InputEvent::woken) {
        pass_to_window(event, key);
        if (event == InputEvent::ended) break;
    }
    // Only resumes are left to pass on once the input has ended.
    while (event == InputEvent::ended && (event = input_.wait_after_end()) == InputEvent::resumed)
        pass_to_window(InputEvent::resumed, key);
}

void DesktopPlatform::pass_to_window(InputEvent event, KeyPress key)
{
    SDL_Event message{};
    message.type = reader_event_;
    message.user.code = static_cast<int>(event);
    message.user.data1 = reinterpret_cast<void*>(static_cast<std::uintptr_t>(key.character | key.scan_code << 8));
    LibraryCallScope library;
    SDL_PushEvent(&message);
}

void DesktopPlatform::end_show() { end_program(0, {}, EndingFrom::program); }
