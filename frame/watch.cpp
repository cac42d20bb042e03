// The watched drawing.  The unseen pass is the one that writes the title
// line, so a renderer that stops with a run-time error leaves the console
// exactly as it would without --watch.  A key pressed while a picture grows
// only ends the waiting: the rest of the picture is drawn at once.
#include "frame/watch.hpp"

#include <string>

#include "frame/pacing.hpp"
#include "frame/show_options.hpp"
#include "gfx/console.hpp"
#include "gfx/platform.hpp"
#include "gfx/progress.hpp"
#include "model/random.hpp"

namespace {

double watch_seconds = 0;  // 0: the pictures are drawn at once
FramePacing pacing;        // of the picture being watched
bool hurrying = false;     // a key was pressed: the rest of the picture at once

// Every global of the model, as a renderer may leave it.
struct ModelGlobals {
    SMALLINT maxx, maxy, sdb, odb, sk, ok, i, j;
    REAL ymax, ny;
    TFVTABLA fvt;
};

ModelGlobals saved_model() { return {MAXX, MAXY, SDB, ODB, SK, OK, I, J, YMAX, NY, FVT}; }

void restore_model(const ModelGlobals& saved)
{
    MAXX = saved.maxx;
    MAXY = saved.maxy;
    SDB = saved.sdb;
    ODB = saved.odb;
    SK = saved.sk;
    OK = saved.ok;
    I = saved.i;
    J = saved.j;
    YMAX = saved.ymax;
    NY = saved.ny;
    FVT = saved.fvt;
}

// Called after every drawing operation of the watched pass.
void after_operation()
{
    if (hurrying || !pacing.operation_done()) return;
    Platform& platform = active_platform();
    if (platform.key_pressed_before(pacing.frame_time())) {
        hurrying = true;
        return;
    }
    platform.show_picture(current_picture(), palette(), take_changed_range());
}

}  // namespace

void start_watching(double seconds)
{
    watch_seconds = 0;
    if (seconds <= 0) return;
    if (!active_platform().window_shown()) {
        active_platform().tell(std::string(program_title) + ": no window, so --watch changes nothing\n");
        return;
    }
    watch_seconds = seconds;
}

void draw_watched_picture(const ShowPicture& picture)
{
    if (watch_seconds <= 0) {
        draw_show_picture(picture);
        return;
    }
    const ModelGlobals model = saved_model();
    const RandomState random = saved_random();
    const long operations = count_drawing_operations([&picture] { draw_show_picture(picture); });
    restore_model(model);
    restore_random(random);

    pacing = FramePacing(operations, watch_seconds, FramePacing::Clock::now());
    hurrying = false;
    mute_console_lines(true);
    set_drawing_progress(after_operation);
    draw_show_picture(picture);
    set_drawing_progress(nullptr);
    mute_console_lines(false);
}
