// Watching the pictures grow (--watch): each picture is first drawn once
// unseen to count its drawing operations, then drawn again with a frame
// shown after every share of them, so that it takes the watch time.
// Saves and restores every global of the model and the generator around
// the unseen pass; the title line reaches the console once.
#pragma once

#include "frame/pictures.hpp"

// Pictures are drawn over `seconds` from now on (0: at once).  Without a
// window nothing changes, and standard error says so.  Call after GRAFIKUSRA.
void start_watching(double seconds);

// Draws the picture: at once, or watched.
void draw_watched_picture(const ShowPicture& picture);
