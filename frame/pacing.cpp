// Frame k of n comes after operation ceil(k * total / n), at k / n of the
// watch time: a picture of three operations and one of a hundred thousand
// both take the whole time.
#include "frame/pacing.hpp"

#include <algorithm>
#include <cmath>

namespace {

long ceil_share(long total, int k, int n) { return static_cast<long>((static_cast<long long>(total) * k + n - 1) / n); }

}  // namespace

FramePacing::FramePacing(long operations, double seconds, Clock::time_point start)
    : operations_(std::max(0L, operations)), start_(start)
{
    const long most = std::max(1L, std::lround(seconds * frames_per_second));
    frames_ = static_cast<int>(std::min(operations_, most));
    if (frames_ == 0) return;
    seconds_ = seconds;
    next_due_ = ceil_share(operations_, 1, frames_);
}

bool FramePacing::operation_done()
{
    ++done_;
    if (frame_ >= frames_ || done_ < next_due_) return false;
    ++frame_;
    next_due_ = frame_ < frames_ ? ceil_share(operations_, frame_ + 1, frames_) : 0;
    return true;
}

FramePacing::Clock::time_point FramePacing::frame_time() const
{
    const std::chrono::duration<double> since_start(seconds_ * frame_ / frames_);
    return start_ + std::chrono::round<Clock::duration>(since_start);
}
