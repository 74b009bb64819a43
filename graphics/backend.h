// What the shared window code asks of the backend linked in: a real SDL2
// window (sdl_backend.cpp) or plain memory (memory_backend.cpp). Exactly one
// of them is linked into an executable.
#pragma once

namespace graphics::backend {

// The canvas is already reset to the window's size; show the window.
void open(const char* title, int width, int height);
void close();
// The shown page changed: show it now (a real window paces this).
void present();
// Frame boundary (see pump_events in window.h).
void pump();
// read_key found the queue empty: wait until a key is queued.
void wait_for_key();

}  // namespace graphics::backend
