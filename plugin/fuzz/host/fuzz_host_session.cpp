// Plays a careless CLAP host against the plug-in. The instance comes from the module's
// clap_entry and its factory and is driven through its callback record and the extension
// tables that get_extension hands out (params, state, tail, audio and note ports, the VST3
// shell's info); the editor's hand-off calls, which no host makes, are made on the instance
// behind plugin_data. The plug-in keeps no record of being active or processing and survives
// any order of calls that do not overlap, so the input picks the order: process before
// activate, activate twice, a reset or a flush at any time, a reload in the middle of a session.
//
// After every operation every parameter value (get_value) must lie within the range that
// get_info gives. Besides:
// - process: every sample of the output channels the host gave is written, finite and within
//   the chip's full scale times the largest output trim, and its constant bit is cleared
//   (the host sets them all); the inputs are left alone; every
//   event pushed is a core-space parameter value (an id of the table, a value in its range) or
//   gesture, of its record's size, in time order and timed inside the block (0 in a flush);
// - state: a save into a stream that stops taking bytes fails, one that takes them all gives
//   the bytes of any other save of the same state; a reload's save differs from the save it
//   reloaded at most in the Program value (the saved bank name selects the bank), and the save
//   after reloading that save again equals it;
// - texts: a value text fits the host's buffer with its NUL and reads back as the value it
//   shows; a bank name read as a Program value shows as that name again.
//
// The input is a sequence of operations: an opcode byte (modulo the number of operations),
// then its operands, as each operation's function says. Reading past the end gives zeros.
// At most kMaxOps operations and kFrameBudget processed frames per input keep a run short.

#include "plugin/FXCorePlugin.h"
#include "plugin/tests/ClapTestEvents.h"
#include "plugin/tests/MemoryStreams.h"
#include "plugin/tests/RecordingHost.h"

#include <clap/clap.h>
#include <clapwrapper/vst3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using fxcoreplug::FXCorePlugin;
using fxcoreplug::test::MemoryIStream;
using fxcoreplug::test::MemoryOStream;
using fxcoreplug::test::OutputEvents;
using fxcoreplug::test::RecordingHost;

constexpr int kMaxOps = 48;
constexpr std::uint32_t kMaxBlock = 1024;
constexpr std::uint32_t kFrameBudget = 2048;
constexpr std::uint32_t kMaxEvents = 31;
constexpr std::size_t kMaxStateBytes = 8192;
constexpr std::uint32_t kProgramId = 400;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// 1.0 (full scale of the chip's outputs) times the Output Trim's +24 dB.
const float kLargestOutput = static_cast<float>(std::pow(10.0, 24.0 / 20.0));

// Rates a host might activate with, sensible or not.
constexpr double kRates[] = {48000.0, 44100.0, 96000.0, 192000.0, 8000.0, 22050.0, 1.0,  0.5,
                             1e-3,    1e-300,  5e-324,  0.0,      -0.0,   -1.0,    kNaN, kInf,
                             -kInf,   40.0,    1e6,     1e9,      2.2e10, 1e300};
// Parameter values at the edges of the ranges, of the rounding and of the conversions.
constexpr double kValues[] = {0.0,    -0.0,  0.5,  1.0,   0.49,   0.4999999999, 1.5,           2.0,
                              2.5,    3.0,   3.5,  7.0,   7.5,    9.0,          -0.4,          -0.5,
                              -1.0,   -24.0, 24.0, -30.0, 30.0,   1e-300,       5e-324,        1e300,
                              -1e300, kNaN,  kInf, -kInf, 1.4999, 2147483647.5, -2147483648.5, 4294967296.0};
// Ids beside those of the table and far from them.
constexpr std::uint32_t kOtherIds[] = {0,   99,  106, 199, 205,   299,        302,       399,
                                       403, 499, 502, 999, 12345, 0x7FFFFFFF, 0xFFFFFFFF};
// Input samples a host should not send but might.
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();
constexpr float kInff = std::numeric_limits<float>::infinity();
constexpr float kOddSamples[] = {1.0f,    -1.0f, 0.5f, 1e30f,  -1e30f, 1e-40f,
                                 -1e-40f, 3e38f, 2.0f, -16.0f, kNaNf,  kInff};

#define CHECK(ok) ((ok) ? void(0) : failAt(__LINE__))

// Stops the run at a broken rule, naming the rule's line.
[[noreturn]] void failAt(int line) {
    std::fprintf(stderr, "fuzz_host_session: the rule at line %d is broken\n", line);
    std::abort();
}

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t u16() {
        const std::uint32_t low = u8();
        return low | static_cast<std::uint32_t>(u8()) << 8;
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | u16() << 16;
    }
    double f64() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(u8()) << (8 * i);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    std::vector<std::uint8_t> take(std::size_t n) {
        std::vector<std::uint8_t> out(n, 0);
        const std::size_t have = std::min(n, size_ - std::min(pos_, size_));
        if (have > 0) std::memcpy(out.data(), data_ + pos_, have);
        pos_ += have;
        return out;
    }

    // A table value for a byte below the table's size, then fractions from -0.5 to 2.5 in
    // 64ths, and from 0xF0 on a raw f64.
    double value() {
        const std::uint8_t b = u8();
        if (b < std::size(kValues)) return kValues[b];
        if (b < 0xF0) return (b - static_cast<int>(std::size(kValues))) / 64.0 - 0.5;
        return f64();
    }
    // A table id (by row) below 0xE0, then the ids of kOtherIds, then a raw u32.
    std::uint32_t id() {
        const std::uint8_t b = u8();
        const auto& table = FXCorePlugin::paramDefs();
        if (b < 0xE0) return table[b % table.size()].id;
        if (b - 0xE0u < std::size(kOtherIds)) return kOtherIds[b - 0xE0];
        return u32();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Input events as a careless host hands them over: any type, size, space and time. With
// claimOneMore the list reports one event more than it holds and get answers null for it.
class RawEvents {
public:
    RawEvents() {
        list_.ctx = this;
        list_.size = [](const clap_input_events* l) {
            const auto* self = static_cast<const RawEvents*>(l->ctx);
            return static_cast<std::uint32_t>(self->events_.size()) + (self->claimOneMore ? 1u : 0u);
        };
        list_.get = [](const clap_input_events* l, std::uint32_t i) -> const clap_event_header* {
            const auto* self = static_cast<const RawEvents*>(l->ctx);
            if (i >= self->events_.size()) return nullptr;
            return reinterpret_cast<const clap_event_header*>(self->events_[i].data());
        };
    }
    RawEvents(const RawEvents&) = delete;
    RawEvents& operator=(const RawEvents&) = delete;

    const clap_input_events* list() const { return &list_; }
    // Each event in storage of exactly its claimed size (at least a header), so that reading
    // past an event's size is an out-of-bounds read.
    void add(std::vector<std::uint8_t> event) { events_.push_back(std::move(event)); }
    void sortByTime() {
        std::stable_sort(events_.begin(), events_.end(),
                         [](const auto& a, const auto& b) { return timeOf(a) < timeOf(b); });
    }
    bool claimOneMore = false;

private:
    static std::uint32_t timeOf(const std::vector<std::uint8_t>& e) {
        clap_event_header h;
        std::memcpy(&h, e.data(), sizeof h);
        return h.time;
    }
    clap_input_events list_{};
    std::vector<std::vector<std::uint8_t>> events_;
};

const std::uint8_t s_sysexBytes[8] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7, 0, 0};

template <class Record>
std::vector<std::uint8_t> bytesOf(const Record& r) {
    std::vector<std::uint8_t> out(sizeof r);
    std::memcpy(out.data(), &r, sizeof r);
    return out;
}

// Event time: the byte itself below 0xFC, else the block's last frame, its length, one past
// it, or UINT32_MAX.
std::uint32_t eventTime(std::uint8_t t, std::uint32_t frames) {
    switch (t) {
    case 0xFC: return frames > 0 ? frames - 1 : 0;
    case 0xFD: return frames;
    case 0xFE: return frames + 1;
    case 0xFF: return UINT32_MAX;
    default: return t;
    }
}

// One input event. Operands: kind u8 (mod 4), time u8 (eventTime), then by kind:
//   0 MIDI: three data bytes               1 parameter value: id, value
//   2 another core type, well formed: type u8 (mod 10), then the record's bytes after the header
//   3 anything: size u8, space u8 (0 below 0x80), type u8, flags u8, then the body's bytes
std::vector<std::uint8_t> makeEvent(Bytes& in, std::uint32_t frames) {
    const std::uint8_t kind = in.u8() % 4;
    const std::uint32_t time = eventTime(in.u8(), frames);
    if (kind == 0) {
        clap_event_midi ev{};
        ev.header = clapevents::eventHeader(sizeof ev, CLAP_EVENT_MIDI, time);
        for (auto& b : ev.data) b = in.u8();
        return bytesOf(ev);
    }
    if (kind == 1) {
        const std::uint32_t id = in.id();
        return bytesOf(clapevents::paramValue(id, in.value(), time));
    }
    std::vector<std::uint8_t> event;
    clap_event_header header{};
    if (kind == 2) {
        struct Kind {
            std::uint16_t type;
            std::uint32_t size;
        };
        constexpr Kind kKinds[] = {{CLAP_EVENT_NOTE_ON, sizeof(clap_event_note)},
                                   {CLAP_EVENT_NOTE_OFF, sizeof(clap_event_note)},
                                   {CLAP_EVENT_NOTE_CHOKE, sizeof(clap_event_note)},
                                   {CLAP_EVENT_NOTE_EXPRESSION, sizeof(clap_event_note_expression)},
                                   {CLAP_EVENT_PARAM_MOD, sizeof(clap_event_param_mod)},
                                   {CLAP_EVENT_PARAM_GESTURE_BEGIN, sizeof(clap_event_param_gesture)},
                                   {CLAP_EVENT_PARAM_GESTURE_END, sizeof(clap_event_param_gesture)},
                                   {CLAP_EVENT_TRANSPORT, sizeof(clap_event_transport)},
                                   {CLAP_EVENT_MIDI_SYSEX, sizeof(clap_event_midi_sysex)},
                                   {CLAP_EVENT_MIDI2, sizeof(clap_event_midi2)}};
        const Kind k = kKinds[in.u8() % std::size(kKinds)];
        header = clapevents::eventHeader(k.size, k.type, time);
        event = in.take(k.size);
        if (k.type == CLAP_EVENT_MIDI_SYSEX) {  // a well-formed sysex points at real bytes
            clap_event_midi_sysex sysex;
            std::memcpy(&sysex, event.data(), sizeof sysex);
            sysex.buffer = s_sysexBytes;
            sysex.size %= sizeof s_sysexBytes + 1;
            std::memcpy(event.data(), &sysex, sizeof sysex);
        }
    } else {
        header.size = in.u8();
        const std::uint8_t space = in.u8();
        header.space_id = space < 0x80 ? CLAP_CORE_EVENT_SPACE_ID : space;
        header.type = in.u8();
        header.flags = in.u8();
        header.time = time;
        event = in.take(std::max<std::size_t>(header.size, sizeof header));
    }
    std::memcpy(event.data(), &header, sizeof header);
    return event;
}

// Events count u8: bits 0-4 the number of events (at most kMaxEvents), bit 5 sorted by time
// (as CLAP asks), bit 6 the list claims one event more than it holds; then the events.
void makeEvents(Bytes& in, std::uint32_t frames, RawEvents& events) {
    const std::uint8_t head = in.u8();
    const std::uint32_t count = std::min<std::uint32_t>(head & 0x1F, kMaxEvents);
    for (std::uint32_t i = 0; i < count; ++i) events.add(makeEvent(in, frames));
    if ((head & 0x20) != 0) events.sortByTime();
    events.claimOneMore = (head & 0x40) != 0;
}

// One saved state split into its records and the rest (strings), after checking its frame.
struct SavedState {
    std::vector<std::pair<std::uint32_t, std::uint64_t>> records;  // id, value bits
    std::vector<std::uint8_t> program;                             // custom name and HEX text
    std::vector<std::uint8_t> bank;                                // the bank name
};

std::uint32_t readU32(const std::vector<std::uint8_t>& b, std::size_t at) {
    CHECK(at + 4 <= b.size());
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

SavedState parseSave(const std::vector<std::uint8_t>& bytes) {
    CHECK(readU32(bytes, 0) == 0x31435846 && readU32(bytes, 4) == 2 &&
          readU32(bytes, 8) == FXCorePlugin::kParamCount);
    SavedState s;
    std::size_t at = 12;
    for (std::size_t r = 0; r < FXCorePlugin::kParamCount; ++r, at += 12) {
        std::uint64_t bits;
        CHECK(at + 12 <= bytes.size());
        std::memcpy(&bits, bytes.data() + at + 4, sizeof bits);
        s.records.emplace_back(readU32(bytes, at), bits);
    }
    std::size_t pos = at;
    for (int k = 0; k < 2; ++k) pos += 4 + readU32(bytes, pos);  // name, HEX text
    const std::size_t bankAt = pos;
    pos += 4 + readU32(bytes, pos);  // bank name
    CHECK(pos == bytes.size());
    s.program.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(bankAt));
    s.bank.assign(bytes.begin() + static_cast<std::ptrdiff_t>(bankAt), bytes.end());
    return s;
}

// The instance, the host it talks to and the buffers a block uses.
class Session {
public:
    Session() {
        CHECK(clap_entry.init("") && clap_entry.get_factory(nullptr) == nullptr);
        factory_ = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
        CHECK(factory_ != nullptr && factory_->get_plugin_count(factory_) == 1 &&
              factory_->get_plugin_descriptor(factory_, 1) == nullptr);
        desc_ = factory_->get_plugin_descriptor(factory_, 0);
        CHECK(desc_ != nullptr && factory_->create_plugin(factory_, host_.host(), "") == nullptr);
        create();
        for (std::uint32_t i = 0; i < params_->count(plugin_); ++i) {
            clap_param_info info{};
            CHECK(params_->get_info(plugin_, i, &info));
            ranges_.push_back(info);
        }
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        plugin_->destroy(plugin_);
        clap_entry.deinit();
    }

    void run(Bytes& in) {
        for (int op = 0; op < kMaxOps && !in.done(); ++op) {
            switch (in.u8() % 12) {
            case 0: activate(in); break;
            case 1: lifecycle(in); break;
            case 2: processBlock(in); break;
            case 3: flush(in); break;
            case 4: plugin_->reset(plugin_); break;
            case 5: reload(in); break;
            case 6: loadState(in); break;
            case 7: saveRefused(in); break;
            case 8: texts(in); break;
            case 9: gui(in); break;
            case 10: mainThread(in); break;
            default: extensions(); break;
            }
            checkParams();
        }
    }

private:
    void create() {
        plugin_ = factory_->create_plugin(factory_, host_.host(), desc_->id);
        CHECK(plugin_ != nullptr && plugin_->init(plugin_));
        instance_ = static_cast<FXCorePlugin*>(plugin_->plugin_data);
        params_ = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
        state_ = static_cast<const clap_plugin_state*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
        CHECK(instance_ != nullptr && params_ != nullptr && state_ != nullptr);
    }

    const clap_param_info* rangeOf(std::uint32_t id) const {
        for (const auto& info : ranges_) {
            if (info.id == id) return &info;
        }
        return nullptr;
    }

    void checkParams() const {
        const std::vector<double> v = values();
        for (std::size_t i = 0; i < v.size(); ++i) {
            CHECK(v[i] >= ranges_[i].min_value && v[i] <= ranges_[i].max_value);  // false for a NaN
        }
    }

    // Every parameter's value through get_value, in the order of ranges_.
    std::vector<double> values() const {
        std::vector<double> out;
        for (const auto& info : ranges_) {
            double v = kNaN;
            CHECK(params_->get_value(plugin_, info.id, &v));
            out.push_back(v);
        }
        return out;
    }

    static double clampTo(const clap_param_info& range, double v) {
        return v < range.min_value ? range.min_value : v > range.max_value ? range.max_value : v;
    }

    // Operands: rate u8 (kRates, a raw f64 past it), min and max frames u16 each.
    void activate(Bytes& in) {
        const std::uint8_t b = in.u8();
        const double rate = b < std::size(kRates) ? kRates[b] : in.f64();
        const std::uint32_t minFrames = in.u16();
        CHECK(plugin_->activate(plugin_, rate, minFrames, in.u16()));
        activated_ = true;
        activeRate_ = rate;
    }

    // Operand: u8 (mod 4): deactivate, start_processing, stop_processing, or destroy the
    // instance and create a new one (a host reloading the plug-in without its state).
    void lifecycle(Bytes& in) {
        switch (in.u8() % 4) {
        case 0: plugin_->deactivate(plugin_); break;
        case 1: CHECK(plugin_->start_processing(plugin_)); break;
        case 2: plugin_->stop_processing(plugin_); break;
        default:
            plugin_->destroy(plugin_);
            create();
            activated_ = false;
            break;
        }
    }

    // Operands: frames u8 (itself below 0xF0, else (b - 0xEF) x 64; capped by the budget),
    // layout u8 (bits 0-2 input port, 3-5 output port, see portOf; bit 6 no input events,
    // bit 7 no output events), flags u8 (bit 0 the output list refuses every event),
    // signal u8 and its parameter u8 (fillInput), then the events (makeEvents).
    void processBlock(Bytes& in) {
        const std::uint8_t f = in.u8();
        std::uint32_t frames = f < 0xF0 ? f : (f - 0xEFu) * 64u;
        frames = std::min({frames, kMaxBlock, kFrameBudget - framesUsed_});
        framesUsed_ += frames;
        const std::uint8_t layout = in.u8();
        const std::uint8_t flags = in.u8();
        const std::uint8_t signal = in.u8();
        fillInput(signal, in.u8(), frames);
        RawEvents events;
        makeEvents(in, frames, events);

        float* inPtrs[3] = {inL_.data(), inR_.data(), inX_.data()};
        float* outPtrs[3] = {outL_.data(), outR_.data(), outX_.data()};
        clap_audio_buffer inPort{};
        clap_audio_buffer outPort{};
        const std::uint32_t inCount = portOf(layout & 7, inPtrs, inPort);
        const std::uint32_t outCount = portOf((layout >> 3) & 7, outPtrs, outPort);
        std::fill(outL_.begin(), outL_.end(), kNaNf);  // unwritten shows
        std::fill(outR_.begin(), outR_.end(), kNaNf);
        const std::vector<float> inLeftBefore(inL_.begin(), inL_.begin() + frames);
        const std::vector<float> inRightBefore(inR_.begin(), inR_.begin() + frames);

        OutputEvents out;
        out.refuseAll = (flags & 1) != 0;
        clap_process process{};
        process.steady_time = steadyTime_;
        process.frames_count = frames;
        process.audio_inputs = (layout & 7) == 7 ? nullptr : &inPort;
        process.audio_outputs = ((layout >> 3) & 7) == 7 ? nullptr : &outPort;
        process.audio_inputs_count = inCount;
        process.audio_outputs_count = outCount;
        process.in_events = (layout & 0x40) != 0 ? nullptr : events.list();
        process.out_events = (layout & 0x80) != 0 ? nullptr : out.list();
        steadyTime_ += frames;

        const clap_process_status status = plugin_->process(plugin_, &process);
        CHECK(status >= CLAP_PROCESS_CONTINUE && status <= CLAP_PROCESS_SLEEP);
        if (outCount > 0 && process.audio_outputs != nullptr && outPort.data32 != nullptr) {
            for (std::uint32_t ch = 0; ch < std::min(outPort.channel_count, 2u); ++ch) {
                const float* samples = outPort.data32[ch];
                // A channel the block writes is not constant.
                CHECK(samples == nullptr || (outPort.constant_mask & (std::uint64_t{1} << ch)) == 0);
                for (std::uint32_t s = 0; samples != nullptr && s < frames; ++s) {
                    CHECK(std::isfinite(samples[s]) && std::fabs(samples[s]) <= kLargestOutput);
                }
            }
        }
        CHECK(frames == 0 || (std::memcmp(inLeftBefore.data(), inL_.data(), frames * sizeof(float)) == 0 &&
                              std::memcmp(inRightBefore.data(), inR_.data(), frames * sizeof(float)) == 0));
        checkPushed(out, frames);
    }

    // A port as the layout's 3 bits give it: 0 stereo, 1 mono, 2 none (count 0), 3 no channel
    // array, 4 stereo with a null right channel, 5 no channels, 6 three channels, 7 a count of
    // one with a null port array. Returns the port count.
    static std::uint32_t portOf(std::uint8_t kind, float** ptrs, clap_audio_buffer& port) {
        port.data32 = ptrs;
        port.channel_count = 2;
        port.constant_mask = ~std::uint64_t{0};  // a careless host leaves every bit set
        switch (kind) {
        case 1: port.channel_count = 1; break;
        case 2: return 0;
        case 3: port.data32 = nullptr; break;
        case 4: ptrs[1] = nullptr; break;
        case 5: port.channel_count = 0; break;
        case 6: port.channel_count = 3; break;
        default: break;
        }
        return 1;
    }

    // Signal kind (mod 6) and parameter p: silence, an impulse, a sine (p sets the pitch), noise
    // (p sets the level), a constant odd sample (kOddSamples[p]) or a full-scale square (p sets
    // the period). The right side is the left one negated; the third channel is the left one.
    void fillInput(std::uint8_t kind, std::uint8_t p, std::uint32_t frames) {
        std::uint32_t noise = 0x9E3779B9u ^ p;
        for (std::uint32_t s = 0; s < frames; ++s) {
            float x = 0.0f;
            switch (kind % 6) {
            case 1: x = s == 0 ? 1.0f : 0.0f; break;
            case 2: x = static_cast<float>(0.5 * std::sin((p + 1) / 512.0 * (phase_ + s))); break;
            case 3:
                noise = noise * 1664525u + 1013904223u;
                x = static_cast<float>((noise >> 8) / 8388608.0 - 1.0) * (p / 64.0f);
                break;
            case 4: x = kOddSamples[p % std::size(kOddSamples)]; break;
            case 5: x = ((phase_ + s) / (p + 2u)) % 2 == 0 ? 1.0f : -1.0f; break;
            default: break;
            }
            inL_[s] = x;
            inR_[s] = -x;
            inX_[s] = x;
        }
        phase_ += frames;
    }

    // Every event the plug-in pushed: a core-space parameter value (an id of the table, a value
    // in its range) or gesture, of its record's size, in time order, before the block's end
    // (at 0 in a flush or a block of no frames).
    void checkPushed(const OutputEvents& out, std::uint32_t frames) const {
        std::uint32_t last = 0;
        for (const auto& raw : out.raw()) {
            clap_event_header h;
            CHECK(raw.size() >= sizeof h);
            std::memcpy(&h, raw.data(), sizeof h);
            CHECK(h.space_id == CLAP_CORE_EVENT_SPACE_ID && h.time < std::max(frames, 1u) && h.time >= last);
            last = h.time;
            if (h.type == CLAP_EVENT_PARAM_VALUE) {
                clap_event_param_value v;
                CHECK(h.size == sizeof v);
                std::memcpy(&v, raw.data(), sizeof v);
                const clap_param_info* range = rangeOf(v.param_id);
                CHECK(range != nullptr && v.value >= range->min_value && v.value <= range->max_value);
            } else {
                CHECK((h.type == CLAP_EVENT_PARAM_GESTURE_BEGIN || h.type == CLAP_EVENT_PARAM_GESTURE_END) &&
                      h.size == sizeof(clap_event_param_gesture));
            }
        }
    }

    // Operands: flags u8 (bit 0 no input list, bit 1 no output list, bit 2 the output list
    // refuses every event), then the events (makeEvents, timed as in a block of no frames).
    void flush(Bytes& in) {
        const std::uint8_t flags = in.u8();
        RawEvents events;
        makeEvents(in, 0, events);
        OutputEvents out;
        out.refuseAll = (flags & 4) != 0;
        params_->flush(plugin_, (flags & 1) != 0 ? nullptr : events.list(),
                       (flags & 2) != 0 ? nullptr : out.list());
        checkPushed(out, 0);
    }

    // A whole save through a stream that takes at most maxPerCall bytes per call.
    std::vector<std::uint8_t> save(std::size_t maxPerCall) const {
        MemoryOStream out(maxPerCall);
        CHECK(state_->save(plugin_, out.stream()));
        return out.bytes();
    }

    void load(const std::vector<std::uint8_t>& bytes, std::size_t maxPerCall) const {
        MemoryIStream in(bytes, maxPerCall);
        CHECK(state_->load(plugin_, in.stream()));
    }

    // A host saving the state and loading it back, in this instance or (bit 0) in a new one,
    // the way a project is closed and opened again. Operands: flags u8, then the bytes per
    // write call and per read call (u8 each, 0 for unlimited).
    void reload(Bytes& in) {
        const bool fresh = (in.u8() & 1) != 0;
        const std::uint8_t w = in.u8();
        const std::uint8_t r = in.u8();
        const std::size_t perWrite = w == 0 ? SIZE_MAX : w;
        const std::size_t perRead = r == 0 ? SIZE_MAX : r;

        const std::vector<std::uint8_t> first = save(perWrite);
        if (fresh) {
            plugin_->destroy(plugin_);
            create();
            if (activated_) {
                CHECK(plugin_->activate(plugin_, activeRate_, 1, kMaxBlock) &&
                      plugin_->start_processing(plugin_));
            }
        }
        load(first, perRead);
        const std::vector<std::uint8_t> second = save(perWrite);
        // The saved bank name may select another Program value than the one saved (a value
        // between banks or past the last one), and it names a bank that may not come back: a
        // custom text that did not load is saved as it came, while the bank of the program
        // that ran before it stays selected until a reload. Nothing else may change.
        SavedState a = parseSave(first);
        SavedState b = parseSave(second);
        for (std::size_t i = 0; i < a.records.size(); ++i) {
            CHECK(a.records[i].first == b.records[i].first);
            if (a.records[i].first == kProgramId) a.records[i].second = b.records[i].second;
        }
        CHECK(a.records == b.records && a.program == b.program);
        // Where the saved bank did not come back, the Program value still points past the
        // banks there are and the bank name of the one it selects is saved with it, so the
        // next load takes that bank's index: one more round trip settles it.
        std::vector<std::uint8_t> settled = second;
        if (a.bank != b.bank) {
            load(second, perRead);
            settled = save(SIZE_MAX);
        }
        load(settled, perRead);
        CHECK(save(SIZE_MAX) == settled);
    }

    // A state to load. Operands: form u8, below 0x80 a length u16 (mod kMaxStateBytes + 1) and
    // that many raw bytes, else a state built by composeState; then bytes per read call u8 (0
    // for unlimited) and an error position u8 (0xFF none, else the stream answers -1 once
    // size x b / 255 bytes are out). A composed state loads exactly when its version is
    // readable and the stream gives all of it, and then leaves the values that its records,
    // clamped, and its bank name give.
    void loadState(Bytes& in) {
        const std::uint8_t form = in.u8();
        ComposedState composed;
        std::vector<std::uint8_t> bytes =
            form < 0x80 ? in.take(in.u16() % (kMaxStateBytes + 1)) : composeState(in, composed);
        const std::uint8_t r = in.u8();
        const std::uint8_t e = in.u8();
        const std::size_t size = bytes.size();
        std::vector<double> want = values();
        MemoryIStream stream(std::move(bytes), r == 0 ? SIZE_MAX : r, e == 0xFF ? SIZE_MAX : size * e / 255);
        const bool loaded = state_->load(plugin_, stream.stream());
        if (form < 0x80) return;
        CHECK(loaded == (composed.version <= 2 && e == 0xFF));
        if (!loaded) return;
        for (const auto& [id, value] : composed.records) {
            for (std::size_t i = 0; i < ranges_.size(); ++i) {
                if (ranges_[i].id == id && !std::isnan(value)) want[i] = clampTo(ranges_[i], value);
            }
        }
        double bank = 0.0;  // a saved bank name that names a bank selects it
        if (composed.version == 2 && !composed.bank.empty() &&
            params_->text_to_value(plugin_, kProgramId, composed.bank.c_str(), &bank)) {
            for (std::size_t i = 0; i < ranges_.size(); ++i) {
                if (ranges_[i].id == kProgramId) want[i] = bank;
            }
        }
        CHECK(values() == want);
    }

    struct ComposedState {
        std::uint32_t version = 0;
        std::vector<std::pair<std::uint32_t, double>> records;
        std::string bank;
    };

    // A state built field by field, so that a few input bytes give a readable stream, with an
    // assembled custom program when asked. Operands: version u8 (mod 4; 3 is not readable),
    // record count u8 (mod 32) and the records (id, value), custom name u8 (kNames), custom
    // program u8 (bits 0-1: none or the HEX text of embedded program 0, 1 or 2; bit 2: one of
    // its bytes replaced, position u16 and byte u8), bank name u8 (kNames).
    static std::vector<std::uint8_t> composeState(Bytes& in, ComposedState& composed) {
        static const char* const kNames[] = {"",         "custom",           "mp-corlinde-jr",
                                             "(loaded)", "mp-corlinde-jr_1", "-"};
        composed.version = in.u8() % 4;
        const std::uint32_t count = in.u8() % 32;
        fxcoreplug::test::StateBytes state;
        state.header(composed.version, count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t id = in.id();
            composed.records.emplace_back(id, in.value());
            state.record(id, composed.records.back().second);
        }
        state.str(kNames[in.u8() % std::size(kNames)]);
        const std::uint8_t program = in.u8();
        std::string hex;
        if ((program & 3) != 0) hex = fxcoreplug::kEmbeddedPrograms[(program & 3) - 1].hexText;
        if ((program & 4) != 0 && !hex.empty()) {
            const std::size_t at = in.u16() % hex.size();
            hex[at] = static_cast<char>(in.u8());
        }
        state.str(hex);
        composed.bank = kNames[in.u8() % std::size(kNames)];
        if (composed.version >= 2) state.str(composed.bank);
        return state.bytes();
    }

    // A save into a stream that takes some bytes per call and, in all, capacity bytes: it
    // succeeds exactly when the capacity holds the whole state, and then with the same bytes.
    // Operands: bytes per write call u8 (0 for unlimited), capacity u16.
    void saveRefused(Bytes& in) {
        const std::uint8_t w = in.u8();
        const std::size_t capacity = in.u16();
        const std::vector<std::uint8_t> whole = save(SIZE_MAX);
        MemoryOStream out(w == 0 ? SIZE_MAX : w, capacity);
        const bool saved = state_->save(plugin_, out.stream());
        CHECK(saved == (capacity >= whole.size()));
        CHECK(!saved || out.bytes() == whole);
    }

    // Operands: id, value, buffer size u8 (mod 96), text length u8 (mod 64) and its bytes.
    void texts(Bytes& in) {
        const std::uint32_t id = in.id();
        const double value = in.value();
        const std::uint32_t size = in.u8() % 96;
        const std::vector<std::uint8_t> textBytes = in.take(in.u8() % 64);
        const clap_param_info* range = rangeOf(id);

        // Exactly size bytes, so that a write past them is out of bounds.
        std::vector<char> buf(std::max<std::uint32_t>(size, 1), '\x7f');
        const bool written = params_->value_to_text(plugin_, id, value, buf.data(), size);
        CHECK(range != nullptr || !written);
        CHECK(size == 0 || range == nullptr || written);
        CHECK(written ? std::memchr(buf.data(), 0, size) != nullptr : buf[0] == '\x7f');
        if (written && size >= 64 && value >= range->min_value && value <= range->max_value) {
            checkTextReadsBack(*range, value, buf.data());
        }

        const std::string text(textBytes.begin(), textBytes.end());  // up to its first NUL
        double parsed = kNaN;
        const bool read = params_->text_to_value(plugin_, id, text.c_str(), &parsed);
        if (read && id == kProgramId) {  // a bank's name: the value shows as that name
            char shown[256];
            CHECK(params_->value_to_text(plugin_, id, parsed, shown, sizeof shown));
            CHECK(std::strcmp(shown, text.c_str()) == 0);
        }
        CHECK(!params_->text_to_value(plugin_, id, nullptr, &parsed));
    }

    // The text of an in-range value reads back as the value shown: pots to 3 decimals, trims
    // to 1, switches as pressed or not, Program and Mode as their whole number (unless "-").
    void checkTextReadsBack(const clap_param_info& range, double value, const char* text) const {
        double back = kNaN;
        const bool read = params_->text_to_value(plugin_, range.id, text, &back);
        const std::uint32_t id = range.id;
        if (id >= 100 && id <= 105) {
            CHECK(read && std::fabs(back - value) <= 0.0005 + 1e-12);
        } else if (id == 500 || id == 501) {
            CHECK(read && std::fabs(back - value) <= 0.05 + 1e-9);
        } else if ((id >= 200 && id <= 204) || id == 300 || id == 301) {
            CHECK(read && back == (value >= 0.5 ? 1.0 : 0.0));
        } else if ((id == kProgramId || id == 402) && std::strcmp(text, "-") != 0) {
            CHECK(read && back == std::round(value));
        }
    }

    // The editor's hand-off. Operands: kind u8 (mod 6), then: 0 gesture begin (id), 1 gesture
    // end (id), 2 normalised value (id, value), 3 plain value (id, value), 4 a footswitch press
    // (s8), 5 a burst of (u8 + 64) plain values for one id (id, value), past the ring's size.
    void gui(Bytes& in) {
        const std::uint8_t kind = in.u8() % 6;
        const std::uint32_t id = kind == 4 ? 0 : in.id();
        switch (kind) {
        case 0: instance_->guiBeginGesture(id); break;
        case 1: instance_->guiEndGesture(id); break;
        case 2:
        case 3: {
            const double v = in.value();
            const double before = instance_->paramValue(id);
            const clap_param_info* range = rangeOf(id);
            double plain = v;
            if (kind == 2) {
                if (range != nullptr) plain = range->min_value + v * (range->max_value - range->min_value);
                instance_->guiSetParam(id, v);
            } else {
                instance_->guiSetParamValue(id, v);
            }
            if (range != nullptr) {  // stored at once, clamped; a NaN leaves the value
                const double want = std::isnan(plain) ? before : clampTo(*range, plain);
                CHECK(instance_->paramValue(id) == want);
            }
            break;
        }
        case 4: instance_->triggerSwitch(static_cast<std::int8_t>(in.u8())); break;
        default: {
            const double v = in.value();
            const int n = in.u8() + 64;
            for (int i = 0; i < n; ++i) instance_->guiSetParamValue(id, v + i / 256.0);
            break;
        }
        }
    }

    // The host's main-thread turn. Operand: u8, bit 0 calls on_main_thread even when the
    // plug-in asked for no callback. Then the host reads the parameter info again.
    void mainThread(Bytes& in) {
        const bool always = (in.u8() & 1) != 0;
        const int asked = host_.callbacks.load();
        if (asked != callbacksSeen_ || always) plugin_->on_main_thread(plugin_);
        callbacksSeen_ = asked;
        const std::uint32_t count = params_->count(plugin_);
        CHECK(count == ranges_.size());
        for (std::uint32_t i = 0; i <= count; ++i) {
            clap_param_info info{};
            const bool got = params_->get_info(plugin_, i, &info);
            CHECK(got == (i < count));
            if (!got) break;
            const clap_param_info& fixed = ranges_[i];
            CHECK(info.id == fixed.id && info.min_value == fixed.min_value &&
                  info.max_value == fixed.max_value && info.default_value == fixed.default_value &&
                  std::memchr(info.name, 0, sizeof info.name) != nullptr &&
                  std::memchr(info.module, 0, sizeof info.module) != nullptr);
        }
    }

    // The host's scan of the extensions a plug-in may offer, as it does before activating.
    void extensions() const {
        CHECK(plugin_->get_extension(plugin_, nullptr) == nullptr &&
              plugin_->get_extension(plugin_, "clap.latency") == nullptr);
        const auto* ports = static_cast<const clap_plugin_audio_ports*>(
            plugin_->get_extension(plugin_, CLAP_EXT_AUDIO_PORTS));
        CHECK(ports != nullptr);
        for (const bool isInput : {true, false}) {
            const std::uint32_t count = ports->count(plugin_, isInput);
            for (std::uint32_t i = 0; i <= count; ++i) {
                clap_audio_port_info info{};
                const bool got = ports->get(plugin_, i, isInput, &info);
                CHECK(got == (i < count));
                CHECK(!got ||
                      (info.channel_count == 2 && std::memchr(info.name, 0, sizeof info.name) != nullptr));
            }
        }
        const auto* notes =
            static_cast<const clap_plugin_note_ports*>(plugin_->get_extension(plugin_, CLAP_EXT_NOTE_PORTS));
        CHECK(notes != nullptr);
        for (const bool isInput : {true, false}) {
            clap_note_port_info info{};
            const std::uint32_t count = notes->count(plugin_, isInput);
            CHECK(notes->get(plugin_, count, isInput, &info) == false);
        }
        const auto* tail =
            static_cast<const clap_plugin_tail*>(plugin_->get_extension(plugin_, CLAP_EXT_TAIL));
        CHECK(tail != nullptr);
        tail->get(plugin_);
        const auto* asVst3 =
            static_cast<const clap_plugin_as_vst3*>(plugin_->get_extension(plugin_, CLAP_PLUGIN_AS_VST3));
        CHECK(asVst3 != nullptr);
        const std::uint32_t channels = asVst3->getNumMIDIChannels(plugin_, 0);
        CHECK(channels >= 1 && channels <= 16);
        asVst3->supportedNoteExpressions(plugin_);
        // The editor's tables: absent in a build without the editor (as the fuzz build is).
        for (const char* id : {CLAP_EXT_GUI, CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_POSIX_FD_SUPPORT}) {
            plugin_->get_extension(plugin_, id);
        }
    }

    RecordingHost host_;
    const clap_plugin_factory* factory_ = nullptr;
    const clap_plugin_descriptor* desc_ = nullptr;
    const clap_plugin* plugin_ = nullptr;
    FXCorePlugin* instance_ = nullptr;
    const clap_plugin_params* params_ = nullptr;
    const clap_plugin_state* state_ = nullptr;
    std::vector<clap_param_info> ranges_;  // as get_info gave them at creation
    bool activated_ = false;
    double activeRate_ = 0.0;  // the last activation's rate
    int callbacksSeen_ = 0;
    std::uint32_t framesUsed_ = 0;
    std::int64_t steadyTime_ = 0;
    std::uint32_t phase_ = 0;
    std::vector<float> inL_ = std::vector<float>(kMaxBlock);
    std::vector<float> inR_ = std::vector<float>(kMaxBlock);
    std::vector<float> inX_ = std::vector<float>(kMaxBlock);
    std::vector<float> outL_ = std::vector<float>(kMaxBlock);
    std::vector<float> outR_ = std::vector<float>(kMaxBlock);
    std::vector<float> outX_ = std::vector<float>(kMaxBlock);
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    Session session;
    session.run(in);
    return 0;
}
