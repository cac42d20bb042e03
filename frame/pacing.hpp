// When to show a picture that is being watched as it grows: its drawing
// operations spread evenly over the watch time, at most 60 frames a second,
// the last frame after the last operation.
#pragma once

#include <chrono>

class FramePacing {
public:
    using Clock = std::chrono::steady_clock;

    FramePacing() = default;
    // `operations` drawing operations over `seconds` (> 0), starting now.
    FramePacing(long operations, double seconds, Clock::time_point start);

    int frames() const { return frames_; }
    // Counts one more operation; true when a frame is due after it.
    bool operation_done();
    // When the frame that is due should appear.
    Clock::time_point frame_time() const;

private:
    long operations_ = 0;
    int frames_ = 0;
    long done_ = 0;
    int frame_ = 0;        // frames due so far
    long next_due_ = 0;    // the operation after which the next frame is due
    double seconds_ = 0;
    Clock::time_point start_{};
};

constexpr int frames_per_second = 60;
