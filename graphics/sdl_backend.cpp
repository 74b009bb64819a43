// The real window: SDL2 shows the canvas's shown page, and turns the system's
// keyboard and mouse events into the canvas's input state. The only file of
// the project that includes SDL.
//
// Presenting: the shown page is converted (through the palette in palette
// mode) into a streaming ARGB8888 texture that the renderer scales to the
// window with nearest filtering, the aspect kept with bars. Presents are paced
// to the display's refresh by vsync, or by a timer at the refresh rate (60 per
// second when the display reports none) where vsync does not hold.
//
// The window's own keys, never seen by the program: Alt+Enter and F11 toggle
// desktop fullscreen, F12 saves the picture as PROGRAM-NNN.png.
#include "graphics/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "graphics/backend.h"
#include "graphics/canvas.h"
#include "graphics/window.h"

namespace graphics {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int fallback_refresh_hz = 60;  // the pace where the display reports no rate
// With vsync trusted, the timer still runs as a net at this fraction of the
// refresh period: vsync does the pacing, the net catches a driver that
// ignores it.
constexpr double vsync_net_fraction = 0.9;
constexpr int vsync_check_frames = 60;         // presents per check that vsync holds
constexpr double vsync_holds_fraction = 0.95;  // mean interval at least this many periods
constexpr int idle_wait_ms = 5;                // a pump with nothing presented waits this long
constexpr int key_wait_ms = 100;               // read_key wakes this often with no events
constexpr int last_screenshot = 999;           // PROGRAM-001.png .. PROGRAM-999.png

struct Pacing {
    Clock::duration period{};  // between two presents
    Clock::time_point next{};  // the earliest time of the next present
    bool vsync = false;        // the renderer was given vsync and it seems to hold
    // The check that vsync holds: presents and time since the block began.
    int block_frames = 0;
    Clock::time_point block_start{};
    Clock::duration refresh_period{};
};

// Frame statistics, printed on exit when CAST_WINDOW_STATS is set.
struct Stats {
    bool enabled = false;
    long frames = 0;
    Clock::time_point first{}, last{};
    Clock::duration upload{}, flip{}, worst{};
};

struct Window {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;          // client size
    std::vector<std::uint32_t> pixels;  // used when the texture's rows are padded
    bool texture_shows_page = false;    // the texture holds the last presented page
    bool presented_since_pump = false;
    bool needs_repaint = false;  // exposed or resized: show the texture again
    Pacing pacing;
    Stats stats;

    // Held keys: the virtual-key code each scancode set when it went down (0
    // for none), and how many keys down hold each code (both Shifts are 0x10).
    std::array<std::uint8_t, SDL_NUM_SCANCODES> vk_of_scancode{};
    std::array<std::uint8_t, 256> holders{};
    // A key pressed and released between two frame boundaries still counts
    // as held for one frame: its release waits for the next boundary, so a
    // quick tap is never lost to a loop that polls once per frame.
    std::array<bool, SDL_NUM_SCANCODES> pressed_this_frame{};
    std::array<bool, SDL_NUM_SCANCODES> release_next_frame{};
    int mouse_mask = 0;  // buttons down as 1 left, 2 right, 4 middle
};

Window win;

const char* program_name() {
    return program_invocation_short_name;
}

// --- pacing ---

Clock::duration period_of(int hz) {
    return std::chrono::duration_cast<Clock::duration>(Seconds(1.0 / hz));
}

void start_pacing() {
    Pacing& p = win.pacing;
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(win.window);
    const int hz =
        display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 ? mode.refresh_rate : 0;
    SDL_RendererInfo info{};
    const bool vsync_given =
        SDL_GetRendererInfo(win.renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
    p.vsync = hz > 0 && vsync_given;
    p.refresh_period = period_of(hz > 0 ? hz : fallback_refresh_hz);
    p.period =
        p.vsync ? std::chrono::duration_cast<Clock::duration>(p.refresh_period * vsync_net_fraction)
                : p.refresh_period;
    p.next = Clock::now();
    p.block_frames = 0;
}

// Waits for the present's turn: the timer's next tick. A frame late by less
// than a period is made up by the next one; later than that, the count starts
// afresh rather than presenting a burst.
void wait_turn() {
    Pacing& p = win.pacing;
    Clock::time_point now = Clock::now();
    if (now < p.next) {
        std::this_thread::sleep_until(p.next);
        now = p.next;
    }
    p.next = now - p.next > p.period ? now + p.period : p.next + p.period;
}

// Vsync may be granted and still not hold (a compositor or driver that
// ignores it): then presents come at the net's faster pace, and from then on
// the timer paces at the refresh rate itself.
void check_vsync_holds(Clock::time_point presented) {
    Pacing& p = win.pacing;
    if (!p.vsync) return;
    if (p.block_frames == 0) p.block_start = presented;
    if (++p.block_frames <= vsync_check_frames) return;
    const auto mean = (presented - p.block_start) / vsync_check_frames;
    p.block_frames = 0;
    if (Seconds(mean).count() < vsync_holds_fraction * Seconds(p.refresh_period).count()) {
        p.vsync = false;
        p.period = p.refresh_period;
    }
}

// --- presenting ---

bool minimised() {
    return (SDL_GetWindowFlags(win.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0;
}

// Copies the texture into the window, letterboxed, and shows it.
void show_texture() {
    int out_w = 0, out_h = 0;
    SDL_GetRendererOutputSize(win.renderer, &out_w, &out_h);
    const sdl::Box box = sdl::letterbox(out_w, out_h, win.width, win.height);
    const SDL_Rect dst{box.x, box.y, box.w, box.h};
    SDL_SetRenderDrawColor(win.renderer, 0, 0, 0, 255);
    SDL_RenderClear(win.renderer);  // the bars
    SDL_RenderCopy(win.renderer, win.texture, nullptr, &dst);
}

void upload_shown_page() {
    void* target = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(win.texture, nullptr, &target, &pitch) != 0) return;
    const int row_bytes = win.width * 4;
    if (pitch == row_bytes) {
        shown_to_argb(static_cast<std::uint32_t*>(target));
    } else {  // padded rows: convert aside, then copy row by row
        shown_to_argb(win.pixels.data());
        for (int y = 0; y < win.height; ++y) {
            std::memcpy(static_cast<std::uint8_t*>(target) + static_cast<std::ptrdiff_t>(y) * pitch,
                        win.pixels.data() + static_cast<std::size_t>(y) * win.width,
                        static_cast<std::size_t>(row_bytes));
        }
    }
    SDL_UnlockTexture(win.texture);
    win.texture_shows_page = true;
}

void count_frame(Clock::time_point started, Clock::time_point uploaded,
                 Clock::time_point flip_started, Clock::time_point flipped) {
    Stats& s = win.stats;
    if (!s.enabled) return;
    if (s.frames == 0) s.first = flipped;
    s.last = flipped;
    ++s.frames;
    s.upload += uploaded - started;
    s.flip += flipped - flip_started;
    s.worst = std::max(s.worst, (uploaded - started) + (flipped - flip_started));
}

void print_stats() {
    const Stats& s = win.stats;
    if (!s.enabled || s.frames < 2) return;
    const double seconds = Seconds(s.last - s.first).count();
    const double ms = 1000.0 / static_cast<double>(s.frames);
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(win.renderer, &info);
    std::fprintf(stderr,
                 "window: %ld frames presented in %.2f s, %.1f per second (%s renderer, paced by "
                 "%s); per frame %.3f ms converting and uploading, %.3f ms presenting, %.3f ms at "
                 "most\n",
                 s.frames, seconds, static_cast<double>(s.frames - 1) / seconds,
                 info.name != nullptr ? info.name : "?", win.pacing.vsync ? "vsync" : "timer",
                 Seconds(s.upload).count() * ms, Seconds(s.flip).count() * ms,
                 Seconds(s.worst).count() * 1000.0);
}

// --- closing ---

void destroy_window() {
    if (win.texture != nullptr) SDL_DestroyTexture(win.texture);
    if (win.renderer != nullptr) SDL_DestroyRenderer(win.renderer);
    if (win.window != nullptr) SDL_DestroyWindow(win.window);
    win.texture = nullptr;
    win.renderer = nullptr;
    win.window = nullptr;
    SDL_Quit();
}

// The user closed the window: the program ends here, cleanly, with status 0.
[[noreturn]] void end_program() {
    print_stats();
    destroy_window();
    std::fflush(stdout);
    std::exit(0);
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s: %s (%s); to run it without a display, use castrun %s\n",
                 program_name(), what, SDL_GetError(), program_name());
    if (SDL_WasInit(0) != 0) SDL_Quit();
    std::exit(1);
}

// --- the window's own keys ---

void toggle_fullscreen() {
    const bool full = (SDL_GetWindowFlags(win.window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    SDL_SetWindowFullscreen(win.window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    win.needs_repaint = true;
}

// Saves the shown page, the picture the window shows at the client's size,
// under the next free name PROGRAM-NNN.png in the current directory.
void save_screenshot() {
    char name[256];
    for (int n = 1; n <= last_screenshot; ++n) {
        std::snprintf(name, sizeof name, "%s-%03d.png", program_name(), n);
        std::error_code ec;
        if (std::filesystem::exists(name, ec) || ec) continue;
        std::string error;
        if (write_png(name, error)) {
            std::printf("saved %s\n", name);
        } else {
            std::printf("could not save the picture: %s\n", error.c_str());
        }
        std::fflush(stdout);
        return;
    }
    std::printf("could not save the picture: %s-001.png to -%03d.png all exist\n", program_name(),
                last_screenshot);
    std::fflush(stdout);
}

// True for a key the window keeps for itself; acts on its press.
bool window_key(const SDL_KeyboardEvent& e) {
    const SDL_Keycode sym = e.keysym.sym;
    const bool enter = sym == SDLK_RETURN || sym == SDLK_KP_ENTER;
    const bool mine = sym == SDLK_F11 || sym == SDLK_F12 || (enter && (e.keysym.mod & KMOD_ALT));
    if (!mine) return false;
    if (e.type == SDL_KEYDOWN && e.repeat == 0) {
        if (sym == SDLK_F12) {
            save_screenshot();
        } else {
            toggle_fullscreen();
        }
    }
    return true;
}

// --- keys ---

// The virtual-key code of a key, 0 for none. Arrows, Space, Esc and the digit
// row go by physical position; letters by the letter they type on the user's
// layout, falling back to the position where the layout types no Latin letter.
int virtual_key(const SDL_Keysym& key) {
    switch (key.scancode) {
        case SDL_SCANCODE_UP:
            return vk::up;
        case SDL_SCANCODE_DOWN:
            return vk::down;
        case SDL_SCANCODE_LEFT:
            return vk::left;
        case SDL_SCANCODE_RIGHT:
            return vk::right;
        case SDL_SCANCODE_SPACE:
            return vk::space;
        case SDL_SCANCODE_ESCAPE:
            return vk::escape;
        case SDL_SCANCODE_LSHIFT:
        case SDL_SCANCODE_RSHIFT:
            return vk::shift;
        case SDL_SCANCODE_LCTRL:
        case SDL_SCANCODE_RCTRL:
            return vk::ctrl;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return 0x0D;
        case SDL_SCANCODE_BACKSPACE:
            return 0x08;
        case SDL_SCANCODE_TAB:
            return 0x09;
        case SDL_SCANCODE_0:
            return '0';
        default:
            break;
    }
    if (key.scancode >= SDL_SCANCODE_1 && key.scancode <= SDL_SCANCODE_9) {
        return '1' + (key.scancode - SDL_SCANCODE_1);
    }
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) return 'A' + (key.sym - SDLK_a);
    if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z) {
        return 'A' + (key.scancode - SDL_SCANCODE_A);
    }
    return 0;
}

// The extended code a special key queues after its 0, or 0 for none.
int extended_code(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_UP:
            return 72;
        case SDL_SCANCODE_DOWN:
            return 80;
        case SDL_SCANCODE_LEFT:
            return 75;
        case SDL_SCANCODE_RIGHT:
            return 77;
        case SDL_SCANCODE_HOME:
            return 71;
        case SDL_SCANCODE_END:
            return 79;
        case SDL_SCANCODE_PAGEUP:
            return 73;
        case SDL_SCANCODE_PAGEDOWN:
            return 81;
        case SDL_SCANCODE_INSERT:
            return 82;
        case SDL_SCANCODE_DELETE:
            return 83;
        default:
            break;
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10) {
        return 59 + (scancode - SDL_SCANCODE_F1);
    }
    return 0;
}

// The code a control key queues; printable characters come as text events.
int control_code(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_ESCAPE:
            return 27;
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_KP_ENTER:
            return 13;
        case SDL_SCANCODE_BACKSPACE:
            return 8;
        case SDL_SCANCODE_TAB:
            return 9;
        default:
            return 0;
    }
}

void set_held(int code, bool down) {
    auto& n = win.holders[static_cast<std::size_t>(code)];
    if (down) {
        ++n;
    } else if (n > 0) {  // guards a release whose press came before the window had focus
        --n;
    }
    input.held[static_cast<std::size_t>(code)] = n > 0;
}

// Releases the code the scancode set at its press, even if the layout
// changed meanwhile.
void release_scancode(std::size_t i) {
    if (win.vk_of_scancode[i] != 0) set_held(win.vk_of_scancode[i], false);
    win.vk_of_scancode[i] = 0;
    win.release_next_frame[i] = false;
}

// A new frame begins: the taps of the last one are released.
void start_key_frame() {
    for (std::size_t i = 0; i < win.release_next_frame.size(); ++i) {
        if (win.release_next_frame[i]) release_scancode(i);
    }
    win.pressed_this_frame.fill(false);
}

void key_event(const SDL_KeyboardEvent& e) {
    if (window_key(e)) return;
    const SDL_Scancode sc = e.keysym.scancode;
    // Guards a scancode outside the table (SDL's range is fixed, a driver's may not be).
    if (sc < 0 || sc >= SDL_NUM_SCANCODES) return;
    const auto i = static_cast<std::size_t>(sc);
    if (e.type == SDL_KEYUP) {
        if (win.pressed_this_frame[i]) {
            win.release_next_frame[i] = true;
        } else {
            release_scancode(i);
        }
        return;
    }
    if (e.repeat == 0 && win.vk_of_scancode[i] == 0) {
        win.vk_of_scancode[i] = static_cast<std::uint8_t>(virtual_key(e.keysym));
        if (win.vk_of_scancode[i] != 0) set_held(win.vk_of_scancode[i], true);
        win.pressed_this_frame[i] = true;
        win.release_next_frame[i] = false;
    }
    // Typed keys: auto-repeat queues again, as a keyboard's typematic does.
    if (const int ext = extended_code(sc); ext != 0) {
        input.push_special(static_cast<std::uint8_t>(ext));
    } else if (const int code = control_code(sc); code != 0) {
        input.push_key(static_cast<std::uint8_t>(code));
    }
}

// Printable characters as the layout types them; a character beyond Latin-1
// has no byte and is not queued.
void text_event(const SDL_TextInputEvent& e) {
    const auto* s = reinterpret_cast<const unsigned char*>(e.text);
    while (*s != 0) {
        unsigned code = *s;
        int extra = 0;
        if (code >= 0xF0) {
            code &= 0x07;
            extra = 3;
        } else if (code >= 0xE0) {
            code &= 0x0F;
            extra = 2;
        } else if (code >= 0xC0) {
            code &= 0x1F;
            extra = 1;
        }
        ++s;
        for (; extra > 0 && (*s & 0xC0) == 0x80; --extra, ++s) code = code << 6 | (*s & 0x3F);
        if (extra == 0 && code < 256) input.push_key(static_cast<std::uint8_t>(code));
    }
}

// Releases every held key: the window lost the keyboard, and the releases
// will go to another window (without this a key would stay held for ever).
void release_keys() {
    win.vk_of_scancode.fill(0);
    win.holders.fill(0);
    win.pressed_this_frame.fill(false);
    win.release_next_frame.fill(false);
    input.held.fill(false);
}

// --- mouse ---

int button_bit(int sdl_button) {
    switch (sdl_button) {
        case SDL_BUTTON_LEFT:
            return 1;
        case SDL_BUTTON_RIGHT:
            return 2;
        case SDL_BUTTON_MIDDLE:
            return 4;
        default:
            return 0;
    }
}

// A mouse event at window point (wx, wy): kept when it falls on the picture.
void mouse_at(int wx, int wy) {
    int win_w = 0, win_h = 0, out_w = 0, out_h = 0;
    SDL_GetWindowSize(win.window, &win_w, &win_h);
    SDL_GetRendererOutputSize(win.renderer, &out_w, &out_h);
    if (win_w <= 0 || win_h <= 0) return;  // guards a window of no size: nothing to map
    // Window points to output pixels (they differ on a high-density display).
    const int px = static_cast<int>(std::int64_t{wx} * out_w / win_w);
    const int py = static_cast<int>(std::int64_t{wy} * out_h / win_h);
    int x = 0, y = 0;
    const sdl::Box box = sdl::letterbox(out_w, out_h, win.width, win.height);
    if (!sdl::to_client(box, win.width, win.height, px, py, x, y)) return;
    input.mouse_x = x;
    input.mouse_y = y;
    input.mouse_buttons =
        win.mouse_mask | (input.held[vk::shift] ? 8 : 0) | (input.held[vk::ctrl] ? 16 : 0);
}

// --- the renderer ---

// True when the renderer is OpenGL drawn by the CPU (Mesa's llvmpipe, softpipe
// or swrast, as on a virtual X server): there, SDL's own software renderer
// copies the picture straight to the X server and costs a tenth as much.
bool gl_on_the_cpu() {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(win.renderer, &info) != 0 || info.name == nullptr) return false;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (get_string == nullptr) return false;
    constexpr unsigned int gl_renderer = 0x1F01;
    const auto* name = reinterpret_cast<const char*>(get_string(gl_renderer));
    if (name == nullptr) return false;  // no current context: keep what SDL chose
    const std::string renderer = name;
    for (const char* cpu : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (renderer.find(cpu) != std::string::npos) return true;
    }
    return false;
}

int software_renderer_index() {
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name != nullptr &&
            std::strcmp(info.name, "software") == 0) {
            return i;
        }
    }
    return -1;
}

// SDL's choice with vsync, unless that is OpenGL on the CPU and the user left
// the choice to us (SDL_RENDER_DRIVER unset).
void create_renderer() {
    win.renderer = SDL_CreateRenderer(win.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (win.renderer == nullptr) win.renderer = SDL_CreateRenderer(win.window, -1, 0);
    if (win.renderer == nullptr) fail("cannot draw into the window");
    if (SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr || !gl_on_the_cpu()) return;
    const int software = software_renderer_index();
    if (software < 0) return;
    SDL_DestroyRenderer(win.renderer);
    // The window surface straight to the X server, not through OpenGL again.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    win.renderer = SDL_CreateRenderer(win.window, software, 0);
    if (win.renderer == nullptr) win.renderer = SDL_CreateRenderer(win.window, -1, 0);
    if (win.renderer == nullptr) fail("cannot draw into the window");
}

// --- events ---

// The texture the shown page is converted into: scaled with nearest
// filtering, and copied without blending (an ARGB texture blends by default,
// which costs a software renderer more than the rest of presenting).
void make_texture() {
    win.texture = SDL_CreateTexture(win.renderer, SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, win.width, win.height);
    if (win.texture == nullptr) fail("cannot make the window's picture");
    SDL_SetTextureScaleMode(win.texture, SDL_ScaleModeNearest);
    SDL_SetTextureBlendMode(win.texture, SDL_BLENDMODE_NONE);
}

void window_event(const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            end_program();
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            win.needs_repaint = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            release_keys();
            break;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            start_pacing();  // another display, perhaps another refresh rate
            break;
        default:
            break;
    }
}

void handle(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT:
            end_program();
        case SDL_WINDOWEVENT:
            window_event(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            key_event(e.key);
            break;
        case SDL_TEXTINPUT:
            text_event(e.text);
            break;
        case SDL_MOUSEMOTION:
            win.mouse_mask = (e.motion.state & SDL_BUTTON_LMASK ? 1 : 0) |
                             (e.motion.state & SDL_BUTTON_RMASK ? 2 : 0) |
                             (e.motion.state & SDL_BUTTON_MMASK ? 4 : 0);
            mouse_at(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            win.mouse_mask |= button_bit(e.button.button);
            mouse_at(e.button.x, e.button.y);
            break;
        case SDL_MOUSEBUTTONUP:
            win.mouse_mask &= ~button_bit(e.button.button);
            mouse_at(e.button.x, e.button.y);
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            // The texture's contents (or the texture itself) are gone.
            if (e.type == SDL_RENDER_DEVICE_RESET) {
                SDL_DestroyTexture(win.texture);
                make_texture();
            }
            win.texture_shows_page = false;
            win.needs_repaint = true;
            break;
        default:
            break;
    }
}

void drain_events() {
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) handle(e);
}

// After an expose or a resize: the last picture again, without pacing.
void repaint_if_needed() {
    if (!win.needs_repaint) return;
    win.needs_repaint = false;
    if (minimised()) return;
    if (!win.texture_shows_page) upload_shown_page();
    show_texture();
    SDL_RenderPresent(win.renderer);
}

void present_if_dirty() {
    if (!canvas.shown_dirty) return;
    canvas.shown_dirty = false;
    backend::present();
}

}  // namespace

namespace backend {

void open(const char* title, int width, int height) {
    // Without a Wayland display, probing for one only prints libwayland's
    // complaint beside ours: try X11 and the console alone.
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm");
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) fail("no display to open a window on");
    // SDL falls back to drivers that show nothing (offscreen, dummy) where
    // there is no display: the program would run unseen and unstoppable.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        SDL_SetError("only the %s video driver is available", driver);
        fail("no display to open a window on");
    }
    win = Window{};
    win.width = width;
    win.height = height;
    win.pixels.assign(static_cast<std::size_t>(width) * height, 0u);
    win.stats.enabled = std::getenv("CAST_WINDOW_STATS") != nullptr;
    // A fixed seed for the window tests, as castrun --seed gives headless.
    if (const char* seed = std::getenv("CAST_SEED"); seed != nullptr) {
        fix_random_seed(std::strtoull(seed, nullptr, 10));
    }
    win.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                  height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (win.window == nullptr) fail("cannot open a window");
    create_renderer();
    make_texture();
    start_pacing();
    // The window is shown: black, until the first page is presented.
    SDL_SetRenderDrawColor(win.renderer, 0, 0, 0, 255);
    SDL_RenderClear(win.renderer);
    SDL_RenderPresent(win.renderer);
    drain_events();
}

void close() {
    print_stats();
    destroy_window();
}

void present() {
    win.presented_since_pump = true;
    if (minimised()) {  // nothing to show, but the loop keeps its pace
        win.pacing.block_frames = 0;
        wait_turn();
        return;
    }
    const Clock::time_point started = Clock::now();
    upload_shown_page();
    show_texture();
    const Clock::time_point uploaded = Clock::now();
    wait_turn();
    const Clock::time_point flip_started = Clock::now();
    SDL_RenderPresent(win.renderer);
    const Clock::time_point flipped = Clock::now();
    check_vsync_holds(flipped);
    count_frame(started, uploaded, flip_started, flipped);
}

void pump() {
    present_if_dirty();  // drawing on the shown page reaches the window here
    // A loop that only polls keys waits here for an event, briefly, instead
    // of spinning a core.
    if (!win.presented_since_pump) SDL_WaitEventTimeout(nullptr, idle_wait_ms);
    win.presented_since_pump = false;
    start_key_frame();
    drain_events();
    repaint_if_needed();
}

void wait_for_key() {
    present_if_dirty();  // the picture drawn before the wait is shown during it
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, key_wait_ms) != 0) handle(e);
    drain_events();
    repaint_if_needed();
}

}  // namespace backend

}  // namespace graphics
