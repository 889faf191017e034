// A view: a rectangle of the frame that draws itself and may take the mouse. [main-thread].
//
// Views are reference counted (CBaseObject): a new view has one reference, which
// CViewContainer::addView takes over; the frame forgets its views when it closes.
#pragma once

#include <cstdint>

#include "vstgui/CBitmap.h"
#include "vstgui/Events.h"
#include "vstgui/Geometry.h"
#include "vstgui/SharedPointer.h"

namespace VSTGUI {

class CDrawContext;
class CFrame;
class CViewContainer;

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    // Copies the rectangle, the flags and the background (one more reference); the copy is in
    // no container.
    CView(const CView& other);
    CView& operator=(const CView&) = delete;
    ~CView() override;

    // A new view made by the copy constructor, with one reference held by the caller.
    virtual CView* newCopy() const;

    // Draws the background bitmap (if any) into the view rectangle, then marks the view clean.
    virtual void draw(CDrawContext* context);

    // Mouse input, point in the coordinates of the view rectangle (the frame's). The defaults
    // return kMouseEventNotHandled and false.
    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    // The press this view took ends without a release: the frame closes, the view leaves
    // it, or the window system breaks the pointer grab. The default does nothing.
    virtual CMouseEventResult onMouseCancel();
    // distance in notches along axis (positive up or right); true when handled.
    virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                         const CButtonState& buttons);

    const CRect& getViewSize() const { return sizeRect; }
    // Moves the view; the old and the new place are redrawn.
    void setViewSize(const CRect& rect);
    CCoord getWidth() const { return sizeRect.getWidth(); }
    CCoord getHeight() const { return sizeRect.getHeight(); }

    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return backgroundBitmap.get(); }
    void setTransparency(bool on) { transparent = on; }
    bool getTransparency() const { return transparent; }
    void setMouseEnabled(bool enabled) { takesMouse = enabled; }
    bool getMouseEnabled() const { return takesMouse; }

    // setDirty(true) asks for a redraw of the view; setDirty(false) marks it clean (views do
    // this at the end of draw).
    void setDirty(bool state = true);
    bool isDirty() const { return needsDraw; }
    // Asks the frame to redraw the view rectangle (nothing while the view is in no frame).
    virtual void invalid();
    virtual void invalidRect(const CRect& rect);

    // The frame the view is in, or null.
    virtual CFrame* getFrame() const;
    CViewContainer* getParentView() const { return parentContainer; }

private:
    friend class CViewContainer;
    CRect sizeRect;
    SharedPointer<CBitmap> backgroundBitmap;
    CViewContainer* parentContainer = nullptr;
    bool transparent = false;
    bool takesMouse = true;
    bool needsDraw = false;
};

}  // namespace VSTGUI
