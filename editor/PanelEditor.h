// The plug-in's editor: the pedal's printed front panel in the host's window, kept in step
// with the plug-in. It builds the panel of the active program's control names from the
// catalogue (knobs, lever toggles, footswitches, lamps), hands every user gesture to the
// plug-in's editor entry points, and polls the plug-in every 33 ms to move its controls to
// the parameter values and to light its lamps from the chip's user-output duty.
//
// [main-thread] throughout: the operations, the timer and the listener calls. The editor
// never writes a parameter itself; it calls the plug-in's gesture and value entry points,
// and values it sets from its timer are never reported back.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "editor/RotationFrames.h"
#include "plugin/ControlNames.h"
#include "vstgui/vstgui.h"

namespace fxcoreplug {

class FXCorePlugin;
class LedView;
class ToggleView;
struct KnobSpec;

class PanelEditor : public VSTGUI::IControlListener {
public:
    // One lever toggle and what it drives.
    struct ToggleBinding {
        ToggleView* view;         // owned by the frame
        ControlNames::Slot kind;  // SwToggle, PotToggle or ModeToggle
        std::int32_t pot;         // pot number of the position (its knob entry's tag - 100)
        std::int32_t swA;         // switch set in the up position; -1 for none and other kinds
        std::int32_t swB;         // switch set in the down position; -1 for none and other kinds
    };

    static constexpr std::uint32_t kTimerPeriodMs = 33;
    static constexpr float kValueTolerance = 1e-4f;  // smaller differences do not move a control

    // Stores the plug-in; opens nothing.
    explicit PanelEditor(FXCorePlugin& owner);
    // Closes, then releases everything.
    ~PanelEditor() override;
    PanelEditor(const PanelEditor&) = delete;
    PanelEditor& operator=(const PanelEditor&) = delete;

    // Builds the panel of the active program in parent (an X11 window id; null opens an
    // offscreen frame); false, with the editor left closed, when the window cannot be made
    // (a parent the X server does not know, no display). An open editor stays as it is.
    bool open(void* parent);
    // Tears the panel down, ending a gesture the user is holding; harmless when closed.
    void close();
    bool isOpen() const { return frame != nullptr; }
    // 394 by 722 points times the scale, rounded.
    void getSize(std::uint32_t& width, std::uint32_t& height) const;
    // A scale above 0 (else 1.0), applied to the open frame's zoom.
    void setScale(double s);
    double getScale() const { return scale; }
    // Every knob and footswitch to its parameter's value, without tolerance.
    void syncFromPlugin();
    // A left-button press and release at (x, y) of the open frame; nothing while closed.
    void clickAt(double x, double y);
    // Hides the open panel: its window is unmapped and the tick stops. show() maps it again,
    // brings it up to date at once and ticks every 33 ms from then on. Both do nothing while
    // closed or already so; show() also nothing once the connection is lost. open and close
    // leave the editor shown.
    void hide();
    void show();
    bool isHidden() const { return hidden; }
    // Whether the open panel's X connection is lost: it no longer draws (CFrame), and its
    // owner hides it for good.
    bool connectionLost() const { return frame != nullptr && frame->isConnectionLost(); }

    // The 33 ms poll: lamps from the chip's duty, toggles and controls from the parameters,
    // never the control the user is holding.
    void onTimer();

    // A new bitmap of an embedded picture at the highest density found (name@3x, name@2x,
    // then name, scale factor 3, 2, 1), with red, green and blue inverted on every pixel that
    // is not fully transparent when invert is set; null when not found or not decodable.
    static VSTGUI::SharedPointer<VSTGUI::CBitmap> loadImage(const char* name, bool invert);

    // Listener operations, called by the controls.
    void valueChanged(VSTGUI::CControl* control) override;
    void controlBeginEdit(VSTGUI::CControl* control) override;
    void controlEndEdit(VSTGUI::CControl* control) override;

    // What the open panel holds (empty while closed): for tests and the screenshot tool.
    VSTGUI::CFrame* getFrame() const { return frame; }
    const std::vector<VSTGUI::CControl*>& getControls() const { return controls; }
    const std::array<LedView*, 2>& getLeds() const { return leds; }
    const std::vector<ToggleBinding>& getToggleBindings() const { return toggleBindings; }
    const std::map<std::string, FrameSeries>& getFrameCache() const { return frameCache; }
    VSTGUI::CControl* getEditingControl() const { return editingControl; }

private:
    void buildControls();
    void addToggle(const KnobSpec& spec, ControlNames::Slot kind, std::int32_t swA, std::int32_t swB);
    void addKnob(const KnobSpec& spec);
    // The lever position the parameters ask of a toggle; false to leave it where it is.
    bool toggleTarget(const ToggleBinding& binding, int& target) const;
    void setControlsFromPlugin(bool withTolerance);

    FXCorePlugin& plugin;
    VSTGUI::CFrame* frame = nullptr;  // the open frame; it holds the editor's reference
    VSTGUI::SharedPointer<VSTGUI::CVSTGUITimer> timer;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> background;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> leftFootswitch;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> rightFootswitch;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> toggleUp;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> toggleMid;
    VSTGUI::SharedPointer<VSTGUI::CBitmap> toggleDown;
    // Rotated knob pictures keyed by picture name and diameter ("small-knob@41").
    std::map<std::string, FrameSeries> frameCache;
    std::vector<VSTGUI::CControl*> controls;     // knobs, then footswitches; not owning
    VSTGUI::CControl* editingControl = nullptr;  // between its begin-edit and end-edit
    std::array<LedView*, 2> leds{};              // in the layout's lamp order; not owning
    std::vector<ToggleBinding> toggleBindings;
    double scale = 1.0;
    bool hidden = false;  // the open panel's window is unmapped and its tick stopped
};

// Red, green and blue of every pixel that is not fully transparent become 255 minus their
// value; alpha is kept. Nothing for a bitmap without pixel access. [main-thread]
void invertColours(VSTGUI::CBitmap* bitmap);

}  // namespace fxcoreplug
