#include <algorithm>
#include <limits>

#include "input/input.h"
#include "input/input_state.h"
#include "platform/mouse.h"

namespace qvt {

namespace input {

namespace {

// Hidden-mode positions are sums of movement with no natural bound.
std::int32_t addSaturated(std::int32_t a, int b) {
    std::int64_t sum = static_cast<std::int64_t>(a) + b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int16_t toInt16(std::int64_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

void applyMouseSample(MouseRecord& mouse, const platform::MouseSample& s, bool relative) {
    if (relative) {
        mouse.x = addSaturated(mouse.x, s.x);
        mouse.y = addSaturated(mouse.y, s.y);
    } else {
        mouse.x = s.x;
        mouse.y = s.y;
    }
    mouse.left = s.left;
    mouse.right = s.right;
    mouse.middle = s.middle;
}

void sampleMouse(MouseRecord& mouse, bool pointerVisible) {
    if (pointerVisible)
        applyMouseSample(mouse, platform::mouseAbsolute(), false);
    else
        applyMouseSample(mouse, platform::mouseRelative(), true);
}

MouseState mouseStateOf(MouseRecord& m, bool update) {
    MouseState record;
    record.left = m.left ? 1 : 0;
    record.right = m.right ? 1 : 0;
    record.middle = m.middle ? 1 : 0;
    record.dx = toInt16(static_cast<std::int64_t>(m.x) - m.prevX);
    record.dy = toInt16(static_cast<std::int64_t>(m.y) - m.prevY);
    record.wheel = static_cast<std::int16_t>((m.wheel > 0) - (m.wheel < 0));
    if (update) {
        m.prevX = m.x;
        m.prevY = m.y;
        m.wheel = 0;
    }
    return record;
}

}  // namespace input

void PollMouse(MouseState& record, bool update) {
    input::InputObject& in = input::object();
    input::sampleMouse(in.mouse, in.pointerVisible);
    record = input::mouseStateOf(in.mouse, update);
}

void ShowSystemPointer(double flag) {
    input::InputObject& in = input::object();
    bool show = flag != 0.0;  // NaN counts as nonzero
    bool wasHidden = !in.pointerVisible;
    in.pointerVisible = show;
    platform::setPointerHidden(!show);
    if (show && wasHidden) {
        // The pointer reappears where the game last saw it.
        platform::warpPointer(in.mouse.x, in.mouse.y);
    }
}

}  // namespace qvt
