#pragma once
// One instance of the Corlinde Jr plug-in: an emulated FXCore core running the pedal's
// firmware, its 18 host parameters, MIDI control, program and mode selection over the
// embedded programs and a custom program, state, and the hand-off of editor changes.
//
// Threads, after CLAP's rules: the host's main thread creates, configures and destroys the
// instance, asks for parameter info and state and drives the editor; the audio thread calls
// process (and flush while active, reset). Each member below says which thread may touch it.
// Nothing here locks, and the audio thread never allocates or waits.
//
// The clap_plugin record is the first member, so the handle the host holds is the instance's
// address; the callbacks still find the instance through plugin_data.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <clap/clap.h>

#include "fxcore/FXCoreCore.h"
#include "fxcore/FXCoreProgram.h"
#include "plugin/ControlNames.h"
#include "plugin/EmbeddedPrograms.h"
#include "plugin/ProgramCatalogue.h"

namespace fxcoreplug {

class PanelEditor;

// Parameter ids, shared with the editor, the panel catalogue and the saved state.
enum ParamId : std::uint32_t {
    kParamPot0 = 100,     // 100..105: pots 0..5
    kParamSwitch0 = 200,  // 200..204: switches 0..4
    kParamEnable = 300,
    kParamTap = 301,
    kParamProgram = 400,  // bank number
    kParamMonitor = 401,
    kParamMode = 402,       // mode within the bank
    kParamInputTrim = 500,  // dB
    kParamOutputTrim = 501  // dB
};

class FXCorePlugin {
public:
    // One row of the fixed parameter table.
    struct ParamDef {
        std::uint32_t id;
        const char* name;    // default display name
        const char* module;  // default group
        double minValue;
        double maxValue;
        double defaultValue;
        std::uint32_t flags;  // CLAP_PARAM_* flags
    };

    using Bank = fxcoreplug::Bank;

    // Deletes the editor where its type is complete (PluginEditor.cpp), so this header and
    // every file but that one need only the forward declaration.
    struct EditorDeleter {
        void operator()(PanelEditor* editor) const;
    };

    // One entry of the editor's change ring.
    struct GuiChange {
        std::uint32_t paramId = 0;
        double value = 0.0;      // plain value for a value entry, 0 for a gesture
        std::uint8_t flags = 0;  // kGestureBegin | kValue | kGestureEnd
    };

    static constexpr std::size_t kParamCount = 18;
    static constexpr int kProgramSlotCount = kEmbeddedProgramCount + 1;
    static constexpr int kCustomSlot = kEmbeddedProgramCount;
    static constexpr int kPressCount = 6;  // switches 0..4, then the tap
    static constexpr std::size_t kGuiQueueSize = 256;
    static constexpr std::uint8_t kGestureBegin = 1;
    static constexpr std::uint8_t kValue = 2;
    static constexpr std::uint8_t kGestureEnd = 4;
    // The tail reported to the host: infinite (CLAP reads INT32_MAX and above so). At their
    // longest the echo's repeats and the reverb ring far past the delay memory's length, for
    // as long as the knobs and the signal make them.
    static constexpr std::uint32_t kInfiniteTail = INT32_MAX;

    // ---- lifecycle (PluginInstance.cpp, PluginEditor*.cpp) ----------------------------------

    // [main-thread] Parameters at their defaults, embedded programs loaded and grouped into
    // banks, default bank selected. host may be null.
    explicit FXCorePlugin(const clap_host* host);
    // [main-thread] Deletes the editor first, then everything else.
    ~FXCorePlugin();
    FXCorePlugin(const FXCorePlugin&) = delete;
    FXCorePlugin& operator=(const FXCorePlugin&) = delete;

    // ---- CLAP callbacks (PluginCallbacks.cpp) ----------------------------------------------

    bool activate(double rate, std::uint32_t minFrames, std::uint32_t maxFrames);  // [main-thread]
    void deactivate();                                                             // [main-thread]
    void reset();                                                                  // [audio-thread]
    std::uint32_t tailGet() const;  // [thread-safe] kInfiniteTail
    bool audioPortsInfo(std::uint32_t index, bool isInput,
                        clap_audio_port_info* info) const;  // [main-thread]
    bool notePortsInfo(std::uint32_t index, bool isInput,
                       clap_note_port_info* info) const;  // [main-thread]
    // [thread-safe] Hands msg to the host's "clap.log" when it offers one; nothing otherwise.
    void logToHost(clap_log_severity severity, const char* msg) const;

    // ---- programs and banks (PluginInstance.cpp, ProgramSwitch.cpp) -------------------------

    std::string programName(int slot) const;  // [main-thread]
    std::string bankName(int bank) const;     // [main-thread]
    // [main-thread] The program slot that Program and Mode select in the bank list.
    int resolveProgramIndex() const;
    // [thread-safe] The same against a given bank list (the audio thread passes its catalogue's).
    int resolveProgramIndex(const std::vector<Bank>& bankList) const;
    // [audio-thread] Applies the selected program when it or the custom program changed.
    void applyProgramIfChanged();
    // [thread-safe] Flags a parameter-info rescan and asks the host for a main-thread callback.
    void requestParamRescan();
    // [main-thread] The host's answer to request_callback.
    void onMainThread();
    // [main-thread] Loads a custom program into the custom slot and selects its bank "(loaded)".
    bool loadCustomHex(const std::string& hexText, const std::string& name, std::string& error);
    // [main-thread, thread-safe] Makes the next program check apply the selected program afresh
    // (what a state load asks for; activate does the same directly).
    void requestProgramReapply();
    const ControlNames& activeControlNames() const;  // [main-thread]
    int currentBankIndex() const;                    // [main-thread]
    int modeCountFor(int bank) const;                // [main-thread]

    // ---- parameter table (ParamTable.cpp) ---------------------------------------------------

    // [thread-safe] The 18 rows, built once on first use.
    static const std::array<ParamDef, kParamCount>& paramDefs();
    const ParamDef* defFor(std::uint32_t id) const;  // [thread-safe] null when not in the table
    std::atomic<double>* slotFor(std::uint32_t id);  // [thread-safe] null when not in the table
    double paramValue(std::uint32_t id) const;       // [thread-safe] 0 when not in the table
    // [thread-safe] The clamped write every writer uses: false (and nothing stored) for an id
    // outside the table or a value that is not a number, which leaves the previous value.
    bool writeParam(std::uint32_t id, double value);
    // [thread-safe] value clamped into the row's range (a NaN passes through unchanged).
    static double clampToRow(const ParamDef& row, double value);

    // ---- audio processing (PluginProcess.cpp) -----------------------------------------------

    void process(const clap_process* processData);  // [audio-thread]
    void fetchOutputPeaks(float* out);              // [thread-safe] takes and clears the peaks
    float coreOutput(int k) const;  // [audio-thread] output k, 0..3, exactly as core.getOutput(k)

    // ---- host events and MIDI (PluginEvents.cpp) --------------------------------------------

    void handleEvent(const clap_event_header* header);     // [audio-thread, or flush's thread]
    void handleMidi(const clap_event_midi* event);         // [audio-thread, or flush's thread]
    void emitParamChange(std::uint32_t id, double value);  // [audio-thread, or flush's thread]
    void midiTapSwitch(int i);                             // [audio-thread, or flush's thread]
    static std::uint32_t switchParamId(int i);             // [thread-safe]
    // [audio-thread while active, else main-thread; never during process]
    void paramsFlush(const clap_input_events* in, const clap_output_events* out);

    // ---- editor hand-off (GuiHandoff.cpp) ---------------------------------------------------

    void guiBeginGesture(std::uint32_t id);                 // [main-thread]
    void guiSetParam(std::uint32_t id, double normalized);  // [main-thread]
    void guiSetParamValue(std::uint32_t id, double plain);  // [main-thread]
    void guiEndGesture(std::uint32_t id);                   // [main-thread]
    void triggerSwitch(int i);                              // [main-thread]
    // [main-thread] Queues one change and asks the host to flush; false (and counted in
    // droppedGuiChanges, no flush requested) when 255 changes already wait.
    bool pushGuiChange(std::uint32_t id, double value, std::uint8_t flags);
    void drainGuiQueue(const clap_output_events* out);  // [audio-thread, or flush's thread]
    std::uint64_t droppedGuiChanges() const;            // [thread-safe] changes a full ring refused

    // ---- state (PluginState.cpp) ------------------------------------------------------------

    bool stateSave(const clap_ostream* stream);  // [main-thread]
    bool stateLoad(const clap_istream* stream);  // [main-thread]

    // ---- parameter info and texts (ParamInfo.cpp) ---------------------------------------------

    std::uint32_t paramsCount() const;                                  // [main-thread]
    bool paramsInfo(std::uint32_t index, clap_param_info* info) const;  // [main-thread]
    bool paramsValue(std::uint32_t id, double* out) const;              // [main-thread]
    bool paramsValueToText(std::uint32_t id, double value, char* buf,
                           std::uint32_t size) const;                               // [main-thread]
    bool paramsTextToValue(std::uint32_t id, const char* text, double* out) const;  // [main-thread]

    // ---- gui extension (PluginEditor.cpp with the editor, PluginNoEditor.cpp without) -------

    bool guiIsApiSupported(const char* api, bool isFloating) const;  // [main-thread]
    bool guiCreate(const char* api, bool isFloating);                // [main-thread]
    void guiDestroy();                                               // [main-thread]
    bool guiSetParent(const clap_window* window);                    // [main-thread]
    bool guiGetSize(std::uint32_t* width, std::uint32_t* height);    // [main-thread]
    bool guiSetScale(double scale);                                  // [main-thread]
    bool guiShow();                                                  // [main-thread]
    bool guiHide();                                                  // [main-thread]
    // [thread-safe] The "clap.gui" table, or null in a build without the editor.
    static const clap_plugin_gui* guiExtension();
    // [thread-safe] The "clap.timer-support" and "clap.posix-fd-support" tables through which
    // the host drives the editor's X11 connection and timers, or null without the editor.
    static const clap_plugin_timer_support* timerSupportExtension();
    static const clap_plugin_posix_fd_support* posixFdSupportExtension();
    void guiOnTimer(clap_id timerId);                   // [main-thread] the host's timer
    void guiOnFd(int fd, clap_posix_fd_flags_t flags);  // [main-thread] a readable descriptor
    // [main-thread] Registers with the host the timer and descriptors the editor needs now,
    // and unregisters those it no longer needs.
    void syncGuiRunLoop();
    struct GuiRunLoop;
    struct GuiRunLoopDeleter {
        void operator()(GuiRunLoop* link) const;
    };

    // ---- members, in this order -------------------------------------------------------------

    clap_plugin clapPlugin;                             // filled by the constructor, then constant
    const clap_host* host;                              // may be null; every use tests it
    const clap_output_events* outEvents = nullptr;      // [audio-thread] set only inside process/flush
    std::array<std::int32_t, kPressCount> midiPulse{};  // [audio-thread] MIDI press countdowns
    fxcore::FXCoreCore core;                            // [audio-thread] except as FXCoreCore says
    // kProgramSlotCount slots, never resized. Embedded slots are fixed after construction and
    // may be read by any thread; the custom slot's pointer is [main-thread] only (the audio
    // thread reaches the custom program through the published catalogue).
    std::vector<std::unique_ptr<fxcore::FXCoreProgram>> programs;
    std::vector<ControlNames> controlNames;  // one per slot; fixed after construction
    std::vector<Bank> banks;                 // [main-thread] view of the bank list
    // Written by exchange on the audio thread when a program is applied, read on the main
    // thread (parameter info, editor); relaxed: it is a lone index, and its order against the
    // rescan request is given by rescanPending's release/acquire.
    std::atomic<std::int32_t> activeProgram{0};
    // Set by exchange (release) on the audio thread after activeProgram, taken by exchange
    // (acquire) on the main thread, which therefore sees the new activeProgram.
    std::atomic<bool> rescanPending{false};
    // [audio-thread] (activate writes it while nothing processes); -1 forces the next check.
    std::int32_t appliedProgram = -1;
    // Raised (release) on the main thread by each successful custom load, after the new
    // catalogue is published; read (acquire) by the audio thread before it reads the catalogue,
    // so a new generation is never seen before the catalogue that goes with it.
    std::atomic<std::uint32_t> customGeneration{0};
    std::uint32_t appliedGeneration = 0;  // [audio-thread]
    // [main-thread] The custom program's HEX text and name, as saved with the state: those of
    // the program in the custom slot, or of a state's custom text that did not load.
    std::string customHex;
    std::string customName;
    // Plain values in table order. Any thread reads and writes them whole, relaxed: each value
    // stands alone, and what must be seen together with one is ordered by its own hand-off.
    std::vector<std::atomic<double>> params;
    double sampleRate = 48000.0;  // written by activate while nothing processes
    // Editor presses: OR-ed in (relaxed) on the main thread, taken by exchange (relaxed) at the
    // next processed block; the mask carries no other data.
    std::atomic<std::uint32_t> pendingPresses{0};
    std::array<std::int32_t, kPressCount> pressCountdown{};  // [audio-thread] editor presses
    // Largest absolute outputs since the last fetch: the audio thread updates by exchange,
    // fetchOutputPeaks takes by exchange; relaxed, each is a lone value.
    std::atomic<float> peakLeft{0.0f};
    std::atomic<float> peakRight{0.0f};
    // The editor ring: a slot is written only by the producer (main thread) while it lies
    // outside [queueTail, queueHead), and read only by the consumer while it lies inside;
    // the index moves below order the two.
    std::array<GuiChange, kGuiQueueSize> guiQueue{};
    // Ring indices 0..255. queueHead: stored (release) by the main thread after it filled the
    // entry, loaded (acquire) by the consumer. queueTail: stored (release) by the consumer after
    // it read the entries, loaded (acquire) by the producer's full test.
    std::atomic<std::uint64_t> queueHead{0};
    std::atomic<std::uint64_t> queueTail{0};
    // Changes refused by a full ring: counted (relaxed) by the producer, read by anyone who
    // wants to know; a lone counter that orders nothing.
    std::atomic<std::uint64_t> guiChangesDropped{0};
    std::unique_ptr<PanelEditor, EditorDeleter> editor;  // [main-thread]
    // [main-thread] The editor's event loop and host registrations; exists exactly with editor.
    std::unique_ptr<GuiRunLoop, GuiRunLoopDeleter> guiRunLoop;

    // ---- hand-offs to the audio thread --------------------------------------------------------

    // The bank list and custom program as the audio thread sees them.
    CatalogueHandoff catalogue;
    // [main-thread] Publishes banks and the custom slot's program for the audio thread;
    // retiredProgram is the custom program they replace (kept until no longer read).
    void publishCatalogue(std::unique_ptr<const fxcore::FXCoreProgram> retiredProgram);

    // Set (release) by requestProgramReapply on the main thread after the state it follows was
    // stored; taken by exchange (acquire) by the audio thread's program check.
    std::atomic<bool> reapplyPending{false};

private:
    // The block's values derived from the parameters by syncCoreInputs.
    struct BlockInputs {
        std::uint32_t pinWord = 0x7F;
        float inputGain = 1.0f;
        float outputGain = 1.0f;
        int firstOutput = 0;
    };
    // [audio-thread] Pots into the core, and the pin word, gains and monitor choice.
    void syncCoreInputs(BlockInputs& block);
    // [audio-thread] The per-sample loop of process (PluginProcess.cpp).
    struct SampleLoop;
    template <bool kAllBuffers>
    void processSamples(SampleLoop& loop);
};

// [thread-safe] The plug-in's descriptor.
const clap_plugin_descriptor* descriptor();

// [main-thread] The instance behind a clap_plugin handle (through plugin_data), or null.
FXCorePlugin* fromClap(const clap_plugin* plugin);

// [thread-safe] get_extension of the instance callback record.
const void* pluginGetExtension(const clap_plugin* plugin, const char* id);

// The entry's three functions (the module's clap_entry points at them). init and deinit are
// called by the thread that loads the module and never overlap.
bool fxcore_entry_init(const char* pluginPath);
void fxcore_entry_deinit();
const void* fxcore_entry_get_factory(const char* factoryId);

// Called by the first entry init with the module's path: the editor layer's one-time set-up
// (PluginEditor.cpp); nothing in a build without the editor.
void initEditorLayer(const char* pluginPath);

}  // namespace fxcoreplug
