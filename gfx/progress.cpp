// The progress callback, and counting a drawing's operations on the real
// drawing state, which is saved first and put back after.
#include "gfx/progress.hpp"

#include "gfx/drawing_state.hpp"

namespace {

long counted = 0;

void count_one() { ++counted; }

}  // namespace

void set_drawing_progress(DrawingProgress callback) { progress_detail::callback = callback; }

long count_drawing_operations(const std::function<void()>& draw)
{
    const DrawingState saved = drawing_state();
    const DrawingProgress watcher = progress_detail::callback;
    counted = 0;
    progress_detail::callback = count_one;
    draw();
    progress_detail::callback = watcher;
    drawing_state() = saved;
    return counted;
}
