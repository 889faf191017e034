// The plug-in's editor, in its smallest form: a frame of 394 by 722 points with a plain
// background, opened in the host's window, with the 33 ms poll timer of the full editor
// (which has nothing to poll yet). The panel with its controls replaces it.
// [main-thread] throughout.
#pragma once

#include <cstdint>

#include "vstgui/vstgui.h"

namespace fxcoreplug {

class FXCorePlugin;

class PanelEditor : public VSTGUI::IControlListener {
 public:
  explicit PanelEditor(FXCorePlugin& owner);
  ~PanelEditor() override;
  PanelEditor(const PanelEditor&) = delete;
  PanelEditor& operator=(const PanelEditor&) = delete;

  // Opens the frame in parent (an X11 window id; null opens it offscreen); true. A second
  // open of an open editor does nothing.
  bool open(void* parent);
  // Closes the frame; harmless when closed.
  void close();
  // The size in points times the scale: 394 by 722 at scale 1.
  void getSize(std::uint32_t& width, std::uint32_t& height) const;
  // A scale above 0 (else 1.0), applied to the open frame's zoom.
  void setScale(double s);
  // A left click at (x, y) of the open frame.
  void clickAt(double x, double y);

  void valueChanged(VSTGUI::CControl*) override {}

 private:
  FXCorePlugin& plugin;
  VSTGUI::CFrame* frame = nullptr;  // the frame while open; it holds its own reference
  VSTGUI::SharedPointer<VSTGUI::CVSTGUITimer> timer;  // while open
  double scale = 1.0;
};

}  // namespace fxcoreplug
