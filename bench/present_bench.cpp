// Showing one complete picture in the graphics window: the palette
// conversion and the copy to the display.  Needs a display (for example
// Xvfb); without one, or when the display is smaller than the picture, the
// benchmark reports an error with the reason.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "platform/desktop/sdl_window.hpp"

namespace {

// A display server to talk to, and no driver that draws nowhere.
bool display_available()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::string(driver) == "dummy" || std::string(driver) == "offscreen")) return false;
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

[[noreturn]] void window_gone()
{
    std::fputs("surfbench: the window was lost\n", stderr);
    std::_Exit(1);
}

void BM_Present(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    if (!display_available()) {
        state.SkipWithError("no display: run under a display server (for example xvfb-run) to time this");
        return;
    }
    SdlWindow window;
    int window_width = 0, window_height = 0;
    if (!window.open(window_width, window_height, window_gone)) {
        const std::string reason = "the graphics window could not be opened: " + window.why_not_opened();
        state.SkipWithError(reason.c_str());
        return;
    }
    if (window_width < width || window_height < height) {
        const std::string reason = "the window is only " + std::to_string(window_width) + " x " +
                                   std::to_string(window_height);
        window.close();
        state.SkipWithError(reason.c_str());
        return;
    }
    // A line picture and a filled one alternate, so every frame changes.
    prepare_show_model(width, height, false);
    draw_picture(8);
    const auto lines = copy_picture();
    draw_picture(4);
    const auto bricks = copy_picture();
    bool odd = false;
    for (auto _ : state) {
        const auto& shown = odd ? lines : bricks;
        window.show({shown.data(), width, height}, palette(), {0, 0, width - 1, height - 1});
        odd = !odd;
    }
    window.close();
    state.counters["window_width"] = window_width;
    state.counters["window_height"] = window_height;
}

}  // namespace

BENCHMARK(BM_Present)->Apply([](benchmark::internal::Benchmark* b) { at_every_size(b); })
    ->Unit(benchmark::kMillisecond);
