// Watching a picture grow: the drawing service can call back after every
// drawing operation (Line, Rectangle, PutPixel, Bar, FillPoly, OutTextXY,
// ClearViewPort), never half way through one, and can count the operations
// of a drawing without leaving a trace of it.
#pragma once

#include <functional>

using DrawingProgress = void (*)();

// Called after each drawing operation; nullptr (the normal show): none.
void set_drawing_progress(DrawingProgress callback);

// Runs `draw`, then puts the drawing service back exactly as it was before
// (picture, viewport, colours, styles) and gives the number of drawing
// operations `draw` made.  The progress callback is not called meanwhile.
long count_drawing_operations(const std::function<void()>& draw);

// --- for the drawing service's own files --------------------------------
namespace progress_detail {
inline DrawingProgress callback = nullptr;
inline int depth = 0;  // operations under way: Rectangle and FillPoly draw Lines
}  // namespace progress_detail

// One drawing operation: the callback runs when the outermost one ends.
class DrawingOperation {
public:
    DrawingOperation() { ++progress_detail::depth; }
    ~DrawingOperation()
    {
        if (--progress_detail::depth == 0 && progress_detail::callback) progress_detail::callback();
    }
    DrawingOperation(const DrawingOperation&) = delete;
    DrawingOperation& operator=(const DrawingOperation&) = delete;
};
