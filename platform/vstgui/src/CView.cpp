#include "vstgui/CView.h"

#include <algorithm>
#include <utility>

#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/CViewContainer.h"

namespace VSTGUI {

CView::CView(const CRect& size) : sizeRect(size) {}

CView::CView(const CView& other)
    : CBaseObject(other),
      sizeRect(other.sizeRect),
      backgroundBitmap(other.backgroundBitmap),
      transparent(other.transparent),
      takesMouse(other.takesMouse) {}

CView::~CView() = default;

CView* CView::newCopy() const {
    return new CView(*this);
}

void CView::draw(CDrawContext* context) {
    if (backgroundBitmap) backgroundBitmap->draw(context, sizeRect);
    setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) {
    return kMouseEventNotHandled;
}
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) {
    return kMouseEventNotHandled;
}
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) {
    return kMouseEventNotHandled;
}
CMouseEventResult CView::onMouseCancel() {
    return kMouseEventNotHandled;
}
bool CView::onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&) {
    return false;
}

void CView::setViewSize(const CRect& rect) {
    invalid();
    sizeRect = rect;
    invalid();
}

void CView::setBackground(CBitmap* bitmap) {
    backgroundBitmap = bitmap;
    invalid();
}

void CView::setDirty(bool state) {
    needsDraw = state;
    if (state) invalid();
}

void CView::invalid() {
    invalidRect(sizeRect);
}

void CView::invalidRect(const CRect& rect) {
    if (parentContainer) parentContainer->invalidRect(rect);
}

CFrame* CView::getFrame() const {
    return parentContainer ? parentContainer->getFrame() : nullptr;
}

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() {
    removeAll(true);
}

bool CViewContainer::addView(CView* view) {
    if (!view || view->parentContainer || view == this) return false;
    childViews.push_back(view);
    view->parentContainer = this;
    view->invalid();
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget) {
    const auto it = std::find(childViews.begin(), childViews.end(), view);
    if (it == childViews.end()) return false;
    willRemoveView(view);
    childViews.erase(it);
    view->invalid();
    view->parentContainer = nullptr;
    if (withForget) view->forget();
    return true;
}

void CViewContainer::removeAll(bool withForget) {
    std::vector<CView*> leaving = std::exchange(childViews, {});
    for (CView* view : leaving) {
        willRemoveView(view);
        view->parentContainer = nullptr;
    }
    if (!leaving.empty()) invalid();
    if (withForget) {
        for (CView* view : leaving) view->forget();
    }
}

void CViewContainer::willRemoveView(CView*) {}

}  // namespace VSTGUI
