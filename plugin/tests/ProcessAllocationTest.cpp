// The audio thread never allocates: every global allocation function of this test binary is
// replaced by a counting one, and process must make no allocation in blocks with parameter
// events, MIDI changes and presses, editor changes and presses, program switches and a
// custom-program switch.
//
// operator new is counted in every build. malloc, calloc and realloc are counted too unless a
// sanitizer owns the allocator (it intercepts them itself), where only operator new is seen.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/RecordingHost.h"
#include "plugin/tests/TestPrograms.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORLINDE_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define CORLINDE_SANITIZED_ALLOCATOR 1
#endif
#endif

namespace {

thread_local bool t_counting = false;
std::atomic<int> s_allocations{0};

void noteAllocation() {
    if (t_counting) {
        s_allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

#ifndef CORLINDE_SANITIZED_ALLOCATOR
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* ptr, std::size_t size);

void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* ptr, std::size_t size) {
    noteAllocation();
    return __libc_realloc(ptr, size);
}
}
#endif

// The replacements allocate with malloc and free with free, by design; GCC's check for
// mismatched new/delete pairs cannot see that through the replacement.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    noteAllocation();
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t align) {
    noteAllocation();
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<std::size_t>(align), size == 0 ? 1 : size) != 0) {
        throw std::bad_alloc();
    }
    return p;
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return operator new(size, align);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace fxcoreplug {
namespace {

using test::InputEvents;

// An output list that only counts, so the host side allocates nothing during process.
struct CountingOutput {
    CountingOutput() {
        list.ctx = this;
        list.try_push = [](const clap_output_events* l, const clap_event_header*) {
            ++static_cast<CountingOutput*>(l->ctx)->pushed;
            return true;
        };
    }
    clap_output_events list{};
    int pushed = 0;
};

TEST(ProcessAllocation, NoHeapAllocationInsideProcess) {
    test::RecordingHost host;
    FXCorePlugin plugin(host.host());
    plugin.activate(48000.0, 1, 512);
    test::StereoBlock block(512);
    block.inLeft().assign(512, 0.1f);
    block.inRight().assign(512, -0.1f);
    const double customBank = static_cast<double>(plugin.banks.size());  // "(loaded)" comes next

    // Each block's events; the main thread's work between blocks happens outside the count.
    struct Step {
        InputEvents events;
        void (*between)(FXCorePlugin&);
    };
    std::vector<std::unique_ptr<Step>> steps;
    auto step = [&](void (*between)(FXCorePlugin&)) -> InputEvents& {
        steps.push_back(std::make_unique<Step>());
        steps.back()->between = between;
        return steps.back()->events;
    };
    step(nullptr).paramValue(0, kParamPot0, 0.2).paramValue(100, kParamOutputTrim, -3.0);
    step(nullptr).midi(3, 0xB0, 51, 90).midi(4, 0xB0, 115, 127).midi(5, 0xB0, 93, 127);
    step([](FXCorePlugin& p) {
        p.guiBeginGesture(kParamPot0 + 2);
        p.guiSetParam(kParamPot0 + 2, 0.7);
        p.guiEndGesture(kParamPot0 + 2);
        p.triggerSwitch(1);
        p.triggerSwitch(5);
    }).midi(0, 0xB0, 110, 127);
    step(nullptr).paramValue(10, kParamMode, 1.0).paramValue(200, kParamMode, 2.0);
    step([](FXCorePlugin& p) {
        std::string error;
        p.loadCustomHex(test::crossProgramHex(), "first", error);
    });
    step([](FXCorePlugin& p) {
        std::string error;
        p.loadCustomHex(test::rightOnlyProgramHex(), "second", error);  // same slot, new program
        p.requestProgramReapply();
    }).paramValue(50, kParamMonitor, 1.0);
    step(nullptr).paramValue(0, kParamProgram, 0.0).paramValue(300, kParamProgram, customBank);
    for (int i = 0; i < 60; ++i) {
        step(nullptr);  // let the presses run out and report their release
    }

    CountingOutput out;
    int allocations = 0;
    for (const auto& s : steps) {
        if (s->between != nullptr) {
            s->between(plugin);
        }
        const clap_process* p = block.process(512, s->events.list(), &out.list);
        s_allocations.store(0);
        t_counting = true;
        plugin.process(p);
        t_counting = false;
        allocations += s_allocations.load();
        plugin.onMainThread();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(out.pushed, 8);  // the blocks did report MIDI changes, presses and editor changes
    EXPECT_EQ(plugin.appliedProgram, FXCorePlugin::kCustomSlot);

    // The counter itself works: an allocation made while counting is seen.
    s_allocations.store(0);
    t_counting = true;
    auto* probe = new std::vector<int>(3);
    t_counting = false;
    delete probe;
    EXPECT_GE(s_allocations.load(), 1);
}

}  // namespace
}  // namespace fxcoreplug
