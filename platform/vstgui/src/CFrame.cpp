#include "vstgui/CFrame.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "CairoBitmap.h"
#include "DamageRegion.h"
#include "X11Window.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/EventLoop.h"

namespace VSTGUI {

std::int32_t CFrame::kDefaultKnobMode = 0;

struct CFrame::Impl {
    double zoom = 1.0;
    bool open = false;
    cairo_surface_t* backBuffer = nullptr;  // ARGB32, pixelWidth x pixelHeight
    std::int32_t pixelWidth = 0;
    std::int32_t pixelHeight = 0;
    DamageRegion damage;
    CView* grab = nullptr;  // the view that took the press being held; in the frame
    std::uint64_t paintCount = 0;
    std::unique_ptr<X11Window> window;
    EventLoop* loop = nullptr;
};

namespace {

constexpr std::int32_t kMaxPixelSide = 16384;

// A coordinate in pixels, limited to 0..limit (NaN gives 0).
std::int32_t toPixel(double v, std::int32_t limit) {
    if (!(v > 0.0)) return 0;
    if (v >= limit) return limit;
    return static_cast<std::int32_t>(v);
}

std::int32_t pixelSide(double points, double zoom) {
    const double pixels = std::round(points * zoom);
    if (!(pixels >= 1.0)) return 1;
    return pixels > kMaxPixelSide ? kMaxPixelSide : static_cast<std::int32_t>(pixels);
}

}  // namespace

CFrame::CFrame(const CRect& size, VSTGUIEditorInterface*) : CViewContainer(size), impl(new Impl) {}

CFrame::~CFrame() {
    removeAll(true);
    if (impl->loop) impl->loop->removeFrame(this);
    impl->window.reset();
    if (impl->backBuffer) cairo_surface_destroy(impl->backBuffer);
}

void CFrame::detachFromLoop() {
    impl->loop = nullptr;
}

CFrame* CFrame::getFrame() const {
    return const_cast<CFrame*>(this);
}

bool CFrame::isOpen() const {
    return impl->open;
}

double CFrame::getZoom() const {
    return impl->zoom;
}

std::uint64_t CFrame::getPaintCount() const {
    return impl->paintCount;
}

int CFrame::getFileDescriptor() const {
    return impl->window ? impl->window->fileDescriptor() : -1;
}

bool CFrame::isConnectionLost() const {
    return impl->window && impl->window->connectionLost();
}

void CFrame::setWindowMapped(bool mapped) {
    if (impl->window) impl->window->setMapped(mapped);
}

std::uint32_t CFrame::getWindowId() const {
    return impl->window ? impl->window->windowId() : 0;
}

bool CFrame::open(void* parentWindow, PlatformType) {
    if (impl->open) return false;
    const std::int32_t w = pixelSide(getWidth(), impl->zoom);
    const std::int32_t h = pixelSide(getHeight(), impl->zoom);
    cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    if (cairo_surface_status(buffer) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(buffer);
        return false;
    }
    if (parentWindow) {
        const auto parentId = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parentWindow));
        impl->window =
            X11Window::create(parentId, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h));
        if (!impl->window) {
            cairo_surface_destroy(buffer);
            return false;
        }
    }
    impl->backBuffer = buffer;
    impl->pixelWidth = w;
    impl->pixelHeight = h;
    impl->open = true;
    impl->loop = EventLoop::current();
    if (impl->loop) impl->loop->addFrame(this);
    invalid();
    paint();
    return true;
}

void CFrame::close() {
    cancelGrab();
    if (impl->loop) impl->loop->removeFrame(this);
    impl->loop = nullptr;
    impl->window.reset();
    if (impl->backBuffer) cairo_surface_destroy(impl->backBuffer);
    impl->backBuffer = nullptr;
    impl->open = false;
    impl->damage.take();
    removeAll(true);
    forget();
}

bool CFrame::setZoom(double zoom) {
    if (!(std::isfinite(zoom) && zoom > 0.0)) return false;
    impl->zoom = zoom;
    if (!impl->open) return true;
    const std::int32_t w = pixelSide(getWidth(), zoom);
    const std::int32_t h = pixelSide(getHeight(), zoom);
    if (w != impl->pixelWidth || h != impl->pixelHeight) {
        cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        if (cairo_surface_status(buffer) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(buffer);
            return false;
        }
        cairo_surface_destroy(impl->backBuffer);
        impl->backBuffer = buffer;
        impl->pixelWidth = w;
        impl->pixelHeight = h;
        if (impl->window) impl->window->resize(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h));
    }
    impl->damage.take();
    invalid();
    return true;
}

void CFrame::invalidRect(const CRect& rect) {
    if (!impl->open) return;
    const double z = impl->zoom;
    const double ox = getViewSize().left;
    const double oy = getViewSize().top;
    PixelRect r;
    r.x0 = toPixel(std::floor((rect.left - ox) * z), impl->pixelWidth);
    r.y0 = toPixel(std::floor((rect.top - oy) * z), impl->pixelHeight);
    r.x1 = toPixel(std::ceil((rect.right - ox) * z), impl->pixelWidth);
    r.y1 = toPixel(std::ceil((rect.bottom - oy) * z), impl->pixelHeight);
    impl->damage.add(r);
}

void CFrame::paint() {
    if (!impl->open || impl->damage.isEmpty()) return;
    const std::vector<PixelRect> rects = impl->damage.take();
    if (isConnectionLost()) return;  // nobody can see it any more
    ++impl->paintCount;
    cairo_t* cr = cairo_create(impl->backBuffer);
    for (const PixelRect& r : rects) cairo_rectangle(cr, r.x0, r.y0, r.width(), r.height());
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_paint(cr);

    const double z = impl->zoom;
    // Everything below draws in frame points with the frame's origin at the top left.
    CDrawContext context(cr, z);
    cairo_translate(cr, -getViewSize().left, -getViewSize().top);
    const CRect frameRect = getViewSize();
    if (CBitmap* bitmap = getBackground()) bitmap->draw(&context, frameRect);

    std::vector<CRect> damaged;
    for (const PixelRect& r : rects)
        damaged.emplace_back(frameRect.left + r.x0 / z, frameRect.top + r.y0 / z, frameRect.left + r.x1 / z,
                             frameRect.top + r.y1 / z);
    std::vector<SharedPointer<CView>> views(getChildren().begin(), getChildren().end());
    for (const auto& view : views) {
        const CRect& size = view->getViewSize();
        bool meets = false;
        for (const CRect& d : damaged) meets = meets || size.rectOverlap(d);
        if (!meets) continue;
        cairo_save(cr);
        cairo_rectangle(cr, size.left, size.top, size.getWidth(), size.getHeight());
        cairo_clip(cr);
        context.resetState();
        view->draw(&context);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(impl->backBuffer);
    if (impl->window) impl->window->present(rects, impl->backBuffer);
}

PlatformBitmapPtr CFrame::copyImage() {
    if (!impl->open) return nullptr;
    paint();
    auto* image = new CairoBitmap(static_cast<std::uint32_t>(impl->pixelWidth),
                                  static_cast<std::uint32_t>(impl->pixelHeight));
    PlatformBitmapPtr result = owned<IPlatformBitmap>(image);
    image->setScaleFactor(impl->zoom);
    const unsigned char* data = cairo_image_surface_get_data(impl->backBuffer);
    const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(impl->backBuffer));
    std::uint8_t* out = image->rgba();
    for (std::int32_t y = 0; y < impl->pixelHeight; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (std::int32_t x = 0; x < impl->pixelWidth; ++x, out += 4) {
            const std::uint32_t p = row[x];
            const auto a = static_cast<std::uint8_t>(p >> 24);
            out[0] = unpremultiplyChannel(static_cast<std::uint8_t>(p >> 16), a);
            out[1] = unpremultiplyChannel(static_cast<std::uint8_t>(p >> 8), a);
            out[2] = unpremultiplyChannel(static_cast<std::uint8_t>(p), a);
            out[3] = a;
        }
    }
    return result;
}

void CFrame::willRemoveView(CView* view) {
    if (impl->grab == view) cancelGrab();
}

void CFrame::cancelGrab() {
    if (!impl->grab) return;
    const SharedPointer<CView> target(impl->grab);
    impl->grab = nullptr;
    target->onMouseCancel();
}

void CFrame::dispatchEvent(Event& event) {
    if (event.type == EventType::MouseWheel) {
        auto& wheel = static_cast<MouseWheelEvent&>(event);
        std::vector<SharedPointer<CView>> views(getChildren().begin(), getChildren().end());
        for (auto it = views.rbegin(); it != views.rend(); ++it) {
            CView* view = *it;
            if (!view->getMouseEnabled() || !view->getViewSize().pointInside(wheel.mousePosition)) continue;
            bool handled = false;
            if (wheel.deltaY != 0.0)
                handled = view->onWheel(wheel.mousePosition, kMouseWheelAxisY,
                                        static_cast<float>(wheel.deltaY), wheel.buttonState);
            if (wheel.deltaX != 0.0)
                handled = view->onWheel(wheel.mousePosition, kMouseWheelAxisX,
                                        static_cast<float>(wheel.deltaX), wheel.buttonState) ||
                          handled;
            if (handled) {
                event.consumed = true;
                return;
            }
        }
        return;
    }

    if (event.type == EventType::MouseCancel) {
        event.consumed = impl->grab != nullptr;
        cancelGrab();
        return;
    }

    auto& mouse = static_cast<MouseEvent&>(event);
    CPoint where = mouse.mousePosition;
    auto deliver = [&](CView* view) {
        switch (event.type) {
        case EventType::MouseDown: return view->onMouseDown(where, mouse.buttonState);
        case EventType::MouseUp: return view->onMouseUp(where, mouse.buttonState);
        case EventType::MouseMove:
        case EventType::MouseWheel:
        case EventType::MouseCancel: break;
        }
        return view->onMouseMoved(where, mouse.buttonState);
    };

    if (impl->grab) {
        const SharedPointer<CView> target(impl->grab);
        if (event.type == EventType::MouseUp) impl->grab = nullptr;
        event.consumed = deliver(target) == kMouseEventHandled;
        return;
    }
    if (event.type == EventType::MouseMove) return;
    std::vector<SharedPointer<CView>> views(getChildren().begin(), getChildren().end());
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        CView* view = *it;
        if (!view->getMouseEnabled() || !view->getViewSize().pointInside(mouse.mousePosition)) continue;
        where = mouse.mousePosition;
        if (deliver(view) != kMouseEventHandled) continue;
        event.consumed = true;
        // The view takes the moves and the release, as long as it stays in the frame.
        if (event.type == EventType::MouseDown && view->getParentView() == this) impl->grab = view;
        return;
    }
}

void CFrame::processEvents() {
    if (!impl->window || impl->window->connectionLost()) return;
    const SharedPointer<CFrame> keep(this);
    PointerInput input;
    const double z = impl->zoom;
    while (impl->window && impl->window->nextInput(input)) {
        const CPoint where(getViewSize().left + input.x / z, getViewSize().top + input.y / z);
        switch (input.type) {
        case EventType::MouseDown: {
            MouseDownEvent e(where, input.buttons);
            dispatchEvent(e);
            break;
        }
        case EventType::MouseUp: {
            MouseUpEvent e(where, input.buttons);
            dispatchEvent(e);
            break;
        }
        case EventType::MouseMove: {
            MouseMoveEvent e(where, input.buttons);
            dispatchEvent(e);
            break;
        }
        case EventType::MouseWheel: {
            MouseWheelEvent e(where, input.wheelX, input.wheelY, input.buttons);
            dispatchEvent(e);
            break;
        }
        case EventType::MouseCancel: {
            MouseCancelEvent e;
            dispatchEvent(e);
            break;
        }
        }
    }
    paint();
}

}  // namespace VSTGUI
