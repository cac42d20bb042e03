// Shared set-up of the benchmarks: a platform with no window whose key waits
// return at once, the model as the show has it before a picture, and the
// twelve pictures of the show by number.
#pragma once

#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "gfx/platform.hpp"

// Draws off-screen at the size asked for; drops console lines; every key
// wait returns a space at once.
class BenchPlatform final : public Platform {
public:
    int width = 640, height = 480;

    bool open_window(int& w, int& h) override;
    void show_picture(const PictureView&, const Palette&, const PixelRange&) override {}
    void close_window() override {}
    bool terminal_size(int&, int&) override { return false; }
    void clear_text_window(const ConsoleState&) override {}
    bool write_line(std::string_view, ConsoleState&) override { return true; }
    bool wait_key(KeyPress& key) override;
    void restore_terminal() override {}
};

// Makes the benchmark platform active at width x height, console reset.
void use_bench_platform(int width, int height);

// The drawing service freshly open at width x height, viewport the whole window.
void open_bench_window(int width, int height);

// Graphics mode at width x height, the table filled, YMAX and NY set; the
// table turned upside down as the show has it from picture 10 on.
void prepare_show_model(int width, int height, bool inverted);

// Draws picture `number` (1..12) of the show, title frame included, on the
// model as it stands; the point cloud's generator starts again each time.
void draw_picture(int number);

// The picture as it stands, copied.
std::vector<std::uint8_t> copy_picture();

// Runs a benchmark at 640 x 480, 1920 x 1080 and 3840 x 2160 (arguments W, H),
// after the arguments already given (`leading`).
void at_every_size(benchmark::internal::Benchmark* benchmark, std::vector<std::int64_t> leading = {});
