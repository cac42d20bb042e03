// Watching the pictures grow, starting later, and the window's title: the
// finished pictures and the console are those of the plain show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "frame/pacing.hpp"
#include "frame/pictures.hpp"
#include "frame/show_options.hpp"
#include "gfx/console.hpp"
#include "gfx/graph.hpp"
#include "gfx/progress.hpp"
#include "model/random.hpp"
#include "tests/support/support.hpp"

namespace {

using Picture = std::vector<std::uint8_t>;

Picture copy_of(const PictureView& view)
{
    return view.pixels ? Picture(view.pixels, view.pixels + static_cast<std::size_t>(view.width) * view.height)
                       : Picture();
}

long drawn_pixels(const Picture& picture)
{
    long drawn = 0;
    for (std::uint8_t c : picture) drawn += c != 0;
    return drawn;
}

// What the frames of one picture showed.
struct Growth {
    int frames = 0;
    long first_drawn = -1;  // drawn pixels in the first frame
    Picture last;
};

// A window that never waits: every frame and title is recorded, and a key
// can be "pressed" while a chosen picture grows.
class WatchPlatform final : public Platform {
public:
    bool window = true;
    int key_at_frame = 0;              // press a key at this frame of the picture (0: never)
    int key_in_picture = 0;            // ... of this picture
    std::vector<std::string> lines;    // title lines, code page 437
    std::vector<std::string> titles;   // the window's title at each picture
    std::vector<Picture> finished;     // the picture at each key wait
    std::vector<Growth> grown;         // the frames shown while each picture grew

    bool open_window(int& width, int& height) override
    {
        width = 640;
        height = 480;
        return window;
    }
    bool window_shown() override { return window; }
    void set_window_title(std::string_view utf8) override
    {
        titles.emplace_back(utf8);
        grown.emplace_back();
    }
    bool key_pressed_before(std::chrono::steady_clock::time_point) override
    {
        return static_cast<int>(titles.size()) == key_in_picture && ++waits_ == key_at_frame;
    }
    void show_picture(const PictureView& picture, const Palette&, const PixelRange&) override
    {
        if (grown.empty()) return;
        Growth& growth = grown.back();
        before_last_show_ = growth;
        growth.last = copy_of(picture);
        if (++growth.frames == 1) growth.first_drawn = drawn_pixels(growth.last);
    }
    void close_window() override {}
    bool terminal_size(int&, int&) override { return false; }
    void clear_text_window(const ConsoleState&) override {}
    bool write_line(std::string_view text, ConsoleState&) override
    {
        lines.emplace_back(text);
        return true;
    }
    bool wait_key(KeyPress& key) override
    {
        finished.push_back(copy_of(current_picture()));
        if (!grown.empty()) grown.back() = before_last_show_;  // that was ReadKey's own showing
        before_last_show_ = Growth{};
        key = {' ', 0};
        return true;
    }
    void restore_terminal() override {}

private:
    int waits_ = 0;
    Growth before_last_show_;
};

// The show with these options on a fresh platform and model.
void run(WatchPlatform& platform, ShowOptions options)
{
    reset_model();
    reset_console();
    restart_random();
    set_platform(&platform);
    run_show(options);
    set_platform(nullptr);
}

ShowOptions watching(double seconds, int from = 1)
{
    ShowOptions options;
    options.watch_seconds = seconds;
    options.from = from;
    return options;
}

std::vector<std::string> titles_from(int first)
{
    std::vector<std::string> titles;
    for (int number = first; number <= picture_count; ++number)
        titles.emplace_back(show_picture(number).title);
    return titles;
}

TEST(Watch, FinishedPicturesAndTitleLinesAreThoseOfThePlainShow)
{
    WatchPlatform plain, watched;
    run(plain, {});
    run(watched, watching(3));
    ASSERT_EQ(watched.finished.size(), 12u);
    EXPECT_EQ(watched.lines, titles_from(1)) << "each title line once";
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE("picture " + std::to_string(k + 1));
        EXPECT_EQ(plain.grown[k].frames, 0) << "the plain show shows no frames";
        EXPECT_EQ(watched.finished[k], plain.finished[k]);
        // Frames grow: the first holds less than the finished picture, at
        // most 60 frames a second over the 3 seconds.
        const Growth& growth = watched.grown[k];
        ASSERT_GT(growth.frames, 0);
        EXPECT_LE(growth.frames, 180);
        EXPECT_LT(growth.first_drawn, drawn_pixels(plain.finished[k]));
        EXPECT_EQ(growth.last, plain.finished[k]) << "the last frame comes after the last operation";
    }
    EXPECT_EQ(watched.grown[2].frames, 180) << "the point cloud has thousands of operations";
}

TEST(Watch, KeyWhileAPictureGrowsFinishesItWithoutMovingOn)
{
    WatchPlatform plain, watched;
    watched.key_in_picture = 3;
    watched.key_at_frame = 5;
    run(plain, {});
    run(watched, watching(3));
    ASSERT_EQ(watched.finished.size(), 12u) << "the key was not one of the show's";
    EXPECT_EQ(watched.grown[2].frames, 4) << "no frame after the key";
    EXPECT_EQ(watched.finished[2], plain.finished[2]) << "the picture is still finished";
    EXPECT_EQ(watched.grown[3].frames, 180) << "the next picture is watched again";
}

TEST(Watch, WithoutAWindowNothingChangesAndStandardErrorSaysSo)
{
    WatchPlatform plain, watched;
    plain.window = watched.window = false;
    run(plain, {});
    testing::internal::CaptureStderr();
    run(watched, watching(3));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(watched.finished, plain.finished);
    for (const Growth& growth : watched.grown) EXPECT_EQ(growth.frames, 0);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("--watch"), std::string::npos) << said;
}

TEST(From, StartsAtPictureNAndGoesOnAsTheWholeShow)
{
    WatchPlatform whole;
    run(whole, {});
    for (int from : {2, 3, 8, 10, 11, 12}) {
        SCOPED_TRACE("--from " + std::to_string(from));
        WatchPlatform part;
        run(part, watching(from == 3 ? 0.5 : 0, from));
        EXPECT_EQ(part.lines, titles_from(from)) << "no title line of a skipped picture";
        ASSERT_EQ(part.finished.size(), static_cast<std::size_t>(13 - from));
        for (int number = from; number <= 12; ++number)
            EXPECT_EQ(part.finished[number - from], whole.finished[number - 1]) << "picture " << number;
    }
}

TEST(WindowTitle, NamesTheProgramThePictureAndItsTitleInUtf8)
{
    WatchPlatform platform;
    run(platform, watching(0, 8));
    ASSERT_EQ(platform.titles.size(), 5u);
    EXPECT_EQ(platform.titles[0], "surfplot \u2014 8/12 X fv-metszet, lepel");
    EXPECT_EQ(platform.titles[1], "surfplot \u2014 9/12 X-Y fv-metszet, t\u00f6m\u00f6r");
    EXPECT_EQ(platform.titles[4], "surfplot \u2014 12/12 Festett 4sz\u00f6gek");
}

TEST(DrawingOperations, CountedWithoutATrace)
{
    open_offscreen(10, 8);
    SetColor(4);
    Line(0, 0, 9, 7);
    const Picture before = copy_of(picture());
    const long operations = count_drawing_operations([] {
        SetColor(2);
        SetViewPort(2, 2, 5, 5, true);
        ClearViewPort();
        Rectangle(0, 0, 3, 3);                // one operation, though four lines
        const SMALLINT points[] = {0, 0, 3, 0, 3, 3, 0, 3};
        FillPoly(4, points);                  // one, though it draws lines
        PutPixel(1, 1, 9);
        (void)GetPixel(1, 1);                 // reads, draws nothing
    });
    EXPECT_EQ(operations, 4);
    EXPECT_EQ(copy_of(picture()), before);
    PutPixel(9, 0, 15);
    EXPECT_EQ(GetPixel(9, 0), 15) << "the viewport is the whole picture again";
    Line(0, 7, 1, 7);
    EXPECT_EQ(GetPixel(0, 7), 4) << "the drawing colour is the one before";
}

TEST(Pacing, FramesSpreadOverTheOperationsAndTheTime)
{
    using Clock = FramePacing::Clock;
    const Clock::time_point start{};
    const auto due_after = [](FramePacing pacing, long operations) {
        std::vector<long> due;
        for (long k = 1; k <= operations; ++k)
            if (pacing.operation_done()) due.push_back(k);
        return due;
    };
    // Few operations: one frame each, the whole time still taken.
    FramePacing few(3, 3.0, start);
    EXPECT_EQ(due_after(few, 3), (std::vector<long>{1, 2, 3}));
    few.operation_done();
    EXPECT_EQ(few.frame_time() - start, std::chrono::seconds(1));
    // Many: 60 a second, the last after the last operation.
    const std::vector<long> many = due_after(FramePacing(100000, 3.0, start), 100000);
    ASSERT_EQ(many.size(), 180u);
    EXPECT_EQ(many.front(), 556);
    EXPECT_EQ(many.back(), 100000);
    EXPECT_EQ(due_after(FramePacing(1000, 0.1, start), 1000).size(), 6u);
    EXPECT_TRUE(due_after(FramePacing(0, 3.0, start), 5).empty());
    // More operations than counted (a picture that changed) get no frames.
    EXPECT_EQ(due_after(FramePacing(10, 1.0, start), 20).size(), 10u);
    FramePacing sixty(180, 3.0, start);
    for (int k = 0; k < 90; ++k) sixty.operation_done();
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(sixty.frame_time() - start).count(), 1500);
}

}  // namespace
