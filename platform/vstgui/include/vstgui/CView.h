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
  // distance in notches along axis (positive up or right); true when handled.
  virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                       const CButtonState& buttons);

  const CRect& getViewSize() const { return viewSize; }
  // Moves the view; the old and the new place are redrawn.
  void setViewSize(const CRect& rect);
  CCoord getWidth() const { return viewSize.getWidth(); }
  CCoord getHeight() const { return viewSize.getHeight(); }

  void setBackground(CBitmap* bitmap);
  CBitmap* getBackground() const { return background.get(); }
  void setTransparency(bool transparent) { transparency = transparent; }
  bool getTransparency() const { return transparency; }
  void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }
  bool getMouseEnabled() const { return mouseEnabled; }

  // setDirty(true) asks for a redraw of the view; setDirty(false) marks it clean (views do
  // this at the end of draw).
  void setDirty(bool isDirty = true);
  bool isDirty() const { return dirty; }
  // Asks the frame to redraw the view rectangle (nothing while the view is in no frame).
  virtual void invalid();
  virtual void invalidRect(const CRect& rect);

  // The frame the view is in, or null.
  virtual CFrame* getFrame() const;
  CViewContainer* getParentView() const { return parent; }

 private:
  friend class CViewContainer;
  CRect viewSize;
  SharedPointer<CBitmap> background;
  CViewContainer* parent = nullptr;
  bool transparency = false;
  bool mouseEnabled = true;
  bool dirty = false;
};

}  // namespace VSTGUI
