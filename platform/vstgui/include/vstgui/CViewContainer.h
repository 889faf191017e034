// A view that holds views and owns them. [main-thread]. The frame is the layer's only
// container: child rectangles are in the frame's coordinates.
#pragma once

#include <cstdint>
#include <vector>

#include "vstgui/CView.h"

namespace VSTGUI {

class CViewContainer : public CView {
public:
    ~CViewContainer() override;  // forgets the views still held
    CViewContainer(const CViewContainer&) = delete;
    CViewContainer& operator=(const CViewContainer&) = delete;

    // Takes over the caller's reference to view and shows it above the views added before.
    // False (nothing taken) for null or for a view that is already in a container.
    bool addView(CView* view);
    // Takes view out; with withForget the container's reference is dropped. False when the
    // view is not in this container.
    bool removeView(CView* view, bool withForget = true);
    void removeAll(bool withForget = true);

    std::uint32_t getNbViews() const { return static_cast<std::uint32_t>(childViews.size()); }
    CView* getView(std::uint32_t index) const {
        return index < childViews.size() ? childViews[index] : nullptr;
    }

protected:
    explicit CViewContainer(const CRect& size);
    // Called before a view leaves (the frame drops a mouse grab on it).
    virtual void willRemoveView(CView* view);
    const std::vector<CView*>& getChildren() const { return childViews; }

private:
    std::vector<CView*> childViews;  // each holds one reference, drawing order
};

}  // namespace VSTGUI
