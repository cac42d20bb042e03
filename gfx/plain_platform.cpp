// The built-in plain platform: no window (the picture is drawn off-screen at
// 640 x 480), console lines as UTF-8 on standard output, keys as bytes of
// standard input.
#include <cerrno>
#include <string>
#include <unistd.h>

#include "gfx/code_page.hpp"
#include "gfx/platform.hpp"

namespace {

bool write_all(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

class PlainPlatform final : public Platform {
public:
    bool open_window(int& width, int& height) override
    {
        width = 640;
        height = 480;
        return false;
    }
    void show_picture(const PictureView&, const Palette&, const PixelRange&) override {}
    void close_window() override {}
    bool terminal_size(int&, int&) override { return false; }
    void clear_text_window(const ConsoleState&) override {}
    bool write_line(std::string_view cp437_text, ConsoleState&) override { return write_plain_line(cp437_text); }
    bool wait_key(KeyPress& key) override { return read_plain_key(key); }
    void restore_terminal() override {}
};

PlainPlatform plain_platform;
Platform* current = &plain_platform;

}  // namespace

bool write_plain_line(std::string_view cp437_text)
{
    return write_all(STDOUT_FILENO, cp437_to_utf8(cp437_text) + "\n");
}

bool read_plain_key(KeyPress& key)
{
    unsigned char byte = 0;
    ssize_t got;
    do {
        got = read(STDIN_FILENO, &byte, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1) return false;
    key = {byte, 0};
    return true;
}

void Platform::tell(std::string_view line) { write_all(STDERR_FILENO, std::string(line)); }

void set_platform(Platform* platform) { current = platform ? platform : &plain_platform; }
Platform& active_platform() { return *current; }
