// Reference counting of the layer's objects. [main-thread] throughout: counts are plain ints.
//
// An object starts with one reference, held by whoever created it. remember() adds one,
// forget() drops one and deletes the object at zero. A container (the frame) takes over the
// creator's reference of a view given to addView. SharedPointer remembers what it is given
// (unless told not to) and forgets it when it lets go; owned() and makeOwned() adopt the
// creator's reference of a new object without adding one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace VSTGUI {

class CBaseObject {
public:
    CBaseObject() = default;
    // A copy is a new object with a count of its own.
    CBaseObject(const CBaseObject&) {}
    CBaseObject& operator=(const CBaseObject&) { return *this; }
    virtual ~CBaseObject() = default;

    void remember() { ++refCount; }
    void forget() {
        if (--refCount == 0) delete this;
    }
    std::int32_t getNbReference() const { return refCount; }

private:
    std::int32_t refCount = 1;
};

template <class T>
class SharedPointer {
public:
    SharedPointer() = default;
    SharedPointer(std::nullptr_t) {}
    // Holds p, remembering it unless rememberIt is false (the pointer then adopts a reference).
    SharedPointer(T* p, bool rememberIt = true) : ptr(p) {
        if (ptr && rememberIt) ptr->remember();
    }
    SharedPointer(const SharedPointer& o) : SharedPointer(o.ptr) {}
    SharedPointer(SharedPointer&& o) noexcept : ptr(std::exchange(o.ptr, nullptr)) {}
    template <class U>
    SharedPointer(const SharedPointer<U>& o) : SharedPointer(o.get()) {}
    ~SharedPointer() { release(); }

    SharedPointer& operator=(const SharedPointer& o) { return *this = o.ptr; }
    SharedPointer& operator=(SharedPointer&& o) noexcept {
        if (this != &o) {
            release();
            ptr = std::exchange(o.ptr, nullptr);
        }
        return *this;
    }
    SharedPointer& operator=(T* p) {
        if (p) p->remember();
        release();
        ptr = p;
        return *this;
    }
    SharedPointer& operator=(std::nullptr_t) {
        release();
        return *this;
    }

    T* get() const { return ptr; }
    T* operator->() const { return ptr; }
    T& operator*() const { return *ptr; }
    operator T*() const { return ptr; }

private:
    void release() {
        if (ptr) std::exchange(ptr, nullptr)->forget();
    }
    T* ptr = nullptr;
};

// Adopts the creator's reference of a new object.
template <class T>
SharedPointer<T> owned(T* p) {
    return SharedPointer<T>(p, false);
}

template <class T, class... Args>
SharedPointer<T> makeOwned(Args&&... args) {
    return owned(new T(std::forward<Args>(args)...));
}

}  // namespace VSTGUI
