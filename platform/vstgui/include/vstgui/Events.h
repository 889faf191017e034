// Mouse buttons, modifier keys, mouse results and the events a frame dispatches.
#pragma once

#include <cstdint>

#include "vstgui/Geometry.h"

namespace VSTGUI {

// Bits of a button state: the mouse buttons, the modifier keys and the double-click flag.
enum CButton : std::int32_t {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,  // the command key; on X11 the Super (Mod4) key
    kButton4 = 1 << 8,
    kButton5 = 1 << 9,
    kDoubleClick = 1 << 10,
};

// The mouse-button bits of a state (left, middle, right, fourth, fifth): 0x30E.
inline constexpr std::int32_t kMouseButtonMask = kLButton | kMButton | kRButton | kButton4 | kButton5;
// The modifier-key bits of a state.
inline constexpr std::int32_t kModifierMask = kShift | kControl | kAlt | kApple;

class CButtonState {
public:
    constexpr CButtonState(std::int32_t bits = 0) : state(bits) {}

    constexpr std::int32_t getState() const { return state; }
    constexpr std::int32_t getButtonState() const { return state & kMouseButtonMask; }
    constexpr std::int32_t getModifierState() const { return state & kModifierMask; }
    // Exactly the left button among the mouse buttons; modifiers and double-click do not matter.
    constexpr bool isLeftButton() const { return getButtonState() == kLButton; }
    constexpr bool isRightButton() const { return getButtonState() == kRButton; }
    constexpr bool isDoubleClick() const { return (state & kDoubleClick) != 0; }

    constexpr std::int32_t operator&(std::int32_t mask) const { return state & mask; }
    constexpr bool operator==(const CButtonState& o) const { return state == o.state; }
    constexpr bool operator!=(const CButtonState& o) const { return state != o.state; }

private:
    std::int32_t state;
};

enum CMouseEventResult : std::int32_t {
    kMouseEventHandled = 1,
    kMouseEventNotHandled = 2,
};

enum CMouseWheelAxis : std::int32_t {
    kMouseWheelAxisX = 0,
    kMouseWheelAxisY = 1,
};

enum class EventType { MouseDown, MouseMove, MouseUp, MouseWheel, MouseCancel };

// An event given to CFrame::dispatchEvent. Positions are in frame points; the button state
// carries the mouse buttons and the modifier keys. consumed is set when a view handled it.
struct Event {
    EventType type;
    bool consumed = false;

protected:
    explicit Event(EventType t) : type(t) {}
};

struct MouseEvent : Event {
    CPoint mousePosition;
    CButtonState buttonState;

protected:
    MouseEvent(EventType t, const CPoint& pos, CButtonState buttons)
        : Event(t), mousePosition(pos), buttonState(buttons) {}
};

// A press; buttonState holds the button that went down (and the modifiers).
struct MouseDownEvent : MouseEvent {
    MouseDownEvent() : MouseEvent(EventType::MouseDown, {}, {}) {}
    MouseDownEvent(const CPoint& pos, CButtonState buttons)
        : MouseEvent(EventType::MouseDown, pos, buttons) {}
};

// A release; buttonState holds the button that went up (and the modifiers).
struct MouseUpEvent : MouseEvent {
    MouseUpEvent() : MouseEvent(EventType::MouseUp, {}, {}) {}
    MouseUpEvent(const CPoint& pos, CButtonState buttons) : MouseEvent(EventType::MouseUp, pos, buttons) {}
};

// A pointer move; buttonState holds the buttons held during the move.
struct MouseMoveEvent : MouseEvent {
    MouseMoveEvent() : MouseEvent(EventType::MouseMove, {}, {}) {}
    MouseMoveEvent(const CPoint& pos, CButtonState buttons)
        : MouseEvent(EventType::MouseMove, pos, buttons) {}
};

// The press being held is lost before its release (the window system broke the pointer
// grab); the view that took the press gets onMouseCancel and no release.
struct MouseCancelEvent : Event {
    MouseCancelEvent() : Event(EventType::MouseCancel) {}
};

// A wheel turn: deltaY > 0 is a turn away from the user (up), deltaX > 0 to the right.
// One notch of a wheel is 1.0. buttonState carries the modifier keys.
struct MouseWheelEvent : MouseEvent {
    CCoord deltaX = 0.0;
    CCoord deltaY = 0.0;

    MouseWheelEvent() : MouseEvent(EventType::MouseWheel, {}, {}) {}
    MouseWheelEvent(const CPoint& pos, CCoord dx, CCoord dy, CButtonState modifiers = {})
        : MouseEvent(EventType::MouseWheel, pos, modifiers), deltaX(dx), deltaY(dy) {}
};

}  // namespace VSTGUI
