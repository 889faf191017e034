// The frame: the top view of an editor, shown in a child window of the host's X11 window or
// drawn offscreen. [main-thread] throughout.
//
// Drawing is damage-driven: invalidations are collected (in device pixels, merged), and a
// paint draws only what was invalidated, in one pass into a back buffer: first opaque
// black, then the frame's background bitmap, then the views that meet the damage in the
// order added, each clipped to its rectangle. A window frame shows the back buffer through
// its window's background pixmap, so the X server repaints exposures by itself and a frame
// that nobody drives still shows its first paint.
//
// Mouse input: a press goes to the topmost mouse-enabled view under the pointer that
// handles it (kMouseEventHandled); that view then takes the moves and the release (a grab,
// ended by the release). Without a grab, a release goes to the view under the pointer and
// a move to none. A grab that ends otherwise (the frame closes, the view leaves it, the
// window system breaks the pointer grab: a MouseCancelEvent) gives the view onMouseCancel
// instead of the release. A wheel turn goes to the topmost view under the pointer that handles it.
//
// Driving a window frame: the X connection is the frame's own (one per frame). The host's
// main loop polls getFileDescriptor() and calls processEvents(), which drains what is
// queued without blocking, dispatches it and paints. EventLoop does this for every frame
// opened while it was bound. A frame whose connection is lost stops drawing and gives up
// its descriptor (isConnectionLost).
#pragma once

#include <cstdint>
#include <memory>

#include "vstgui/CBitmap.h"
#include "vstgui/CViewContainer.h"
#include "vstgui/Events.h"

namespace VSTGUI {

class EventLoop;
class VSTGUIEditorInterface;  // not offered: frames are made without an editor interface

enum class PlatformType {
    kDefaultNative,     // here the same as kX11EmbedWindowID
    kX11EmbedWindowID,  // parent is an X11 window id cast to void*
};

class CFrame : public CViewContainer {
public:
    // The frame's rectangle, usually (0, 0, width, height) in points; editor must be null.
    CFrame(const CRect& size, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    // With a parent: connects to the X display ($DISPLAY), creates a child window of the
    // parent window of the frame's size times the zoom in pixels, maps it and paints it.
    // Without a parent: an offscreen frame that paints into an image (copyImage).
    // False when already open, or when the display, the parent or its screen cannot be used.
    bool open(void* parent, PlatformType type = PlatformType::kDefaultNative);
    // Destroys the window, removes and forgets every view, then forgets the frame (the
    // creator's reference): the frame is deleted unless someone else holds it.
    void close();
    bool isOpen() const;

    // Pixels per point of the window and of the offscreen image; the window is resized and
    // everything redrawn. False, nothing changed, unless zoom is finite and above 0.
    bool setZoom(double zoom);
    double getZoom() const;

    // Hands a mouse event to the views (see above); event.consumed tells whether a view
    // handled it. Positions are in frame points.
    void dispatchEvent(Event& event);

    void invalidRect(const CRect& rect) override;
    CFrame* getFrame() const override;

    // The knob mode every knob uses (CKnobMode); process-wide, as knobs have no mode of their
    // own. Starts at kCircularMode.
    static std::int32_t kDefaultKnobMode;

    // Platform entry points.
    // The X connection's descriptor; -1 for an offscreen or closed frame, and once the
    // connection is lost.
    int getFileDescriptor() const;
    // Whether the window's X connection is broken (the server went away). It is noticed
    // when the frame next reads or writes it (processEvents, paint); from then on the frame
    // neither draws nor reads, and waits only to be closed.
    bool isConnectionLost() const;
    // Maps or unmaps the frame's window (a frame opens mapped); nothing for an offscreen
    // frame. The server has done it when this returns.
    void setWindowMapped(bool mapped);
    // Drains the X events already received or readable now without blocking, dispatches
    // them, then paints. Nothing for an offscreen frame.
    void processEvents();
    // Paints what was invalidated since the last paint and shows it.
    void paint();
    // The number of paints that drew something since the frame was made (an idle editor's
    // stays put).
    std::uint64_t getPaintCount() const;
    // Paints, then copies the back buffer (width x zoom by height x zoom pixels, rounded;
    // scale factor = zoom); null while the frame is not open.
    PlatformBitmapPtr copyImage();
    // The frame's own X11 window; 0 for an offscreen or closed frame.
    std::uint32_t getWindowId() const;

    struct Impl;

protected:
    void willRemoveView(CView* view) override;

private:
    friend class EventLoop;
    void detachFromLoop();  // the loop is going away
    // Drops the grab, telling the view that took the press (onMouseCancel).
    void cancelGrab();
    std::unique_ptr<Impl> impl;
};

}  // namespace VSTGUI
