// Where the client picture lands in a real window of any size, and which
// client pixel lies under a point of the window. Plain arithmetic, no SDL, so
// the tests can check it without a display.
#pragma once

#include <cstdint>

namespace graphics::sdl {

// A rectangle of output pixels.
struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const Box&) const = default;
};

// The largest rectangle of the client's aspect that fits an output of
// out_w x out_h pixels, centred, the rest left as bars. An output that is an
// exact multiple of the client in the limiting direction gets an exact
// integer scale, so every client pixel becomes the same square of pixels.
constexpr Box letterbox(int out_w, int out_h, int client_w, int client_h) {
    // Guards a zero-sized window (minimised, or being resized) and a client
    // of no size: no picture, and no division by zero below.
    if (out_w <= 0 || out_h <= 0 || client_w <= 0 || client_h <= 0) return {};
    const std::int64_t ow = out_w, oh = out_h, cw = client_w, ch = client_h;
    std::int64_t w = ow, h = oh;
    if (ow * ch <= oh * cw) {
        h = (ow * ch * 2 + cw) / (cw * 2);  // width limits: height rounded to nearest
    } else {
        w = (oh * cw * 2 + ch) / (ch * 2);  // height limits: width rounded to nearest
    }
    return {static_cast<int>((ow - w) / 2), static_cast<int>((oh - h) / 2), static_cast<int>(w),
            static_cast<int>(h)};
}

// Floor of a / b for b > 0, also for a negative a (a point left of the box
// must not round toward zero into column 0).
constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The client pixel under output pixel (px, py) of a window showing the client
// in `box`; false for a point in the bars or outside the window.
constexpr bool to_client(const Box& box, int client_w, int client_h, int px, int py, int& x,
                         int& y) {
    if (box.w <= 0 || box.h <= 0) return false;  // no picture shown: nothing to hit
    const std::int64_t cx = floor_div((std::int64_t{px} - box.x) * client_w, box.w);
    const std::int64_t cy = floor_div((std::int64_t{py} - box.y) * client_h, box.h);
    if (cx < 0 || cy < 0 || cx >= client_w || cy >= client_h) return false;
    x = static_cast<int>(cx);
    y = static_cast<int>(cy);
    return true;
}

}  // namespace graphics::sdl
