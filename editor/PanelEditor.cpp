#include "editor/PanelEditor.h"

#include <cmath>

namespace fxcoreplug {
namespace {
constexpr double kPanelWidth = 394.0;
constexpr double kPanelHeight = 722.0;
}  // namespace

PanelEditor::PanelEditor(FXCorePlugin& owner) : plugin(owner) {}

PanelEditor::~PanelEditor() { close(); }

bool PanelEditor::open(void* parent) {
  if (frame) return true;
  (void)plugin;
  frame = new VSTGUI::CFrame(VSTGUI::CRect(0, 0, kPanelWidth, kPanelHeight), nullptr);
  frame->setZoom(scale);
  frame->open(parent, VSTGUI::PlatformType::kX11EmbedWindowID);
  timer = VSTGUI::makeOwned<VSTGUI::CVSTGUITimer>([](VSTGUI::CVSTGUITimer*) {}, 33u, true);
  frame->invalid();
  return true;
}

void PanelEditor::close() {
  timer = nullptr;
  if (!frame) return;
  frame->close();
  frame = nullptr;
}

void PanelEditor::getSize(std::uint32_t& width, std::uint32_t& height) const {
  width = static_cast<std::uint32_t>(std::lround(kPanelWidth * scale));
  height = static_cast<std::uint32_t>(std::lround(kPanelHeight * scale));
}

void PanelEditor::setScale(double s) {
  scale = s > 0.0 && std::isfinite(s) ? s : 1.0;
  if (frame) frame->setZoom(scale);
}

void PanelEditor::clickAt(double x, double y) {
  if (!frame) return;
  VSTGUI::MouseDownEvent down(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
  frame->dispatchEvent(down);
  VSTGUI::MouseUpEvent up(VSTGUI::CPoint(x, y), VSTGUI::kLButton);
  frame->dispatchEvent(up);
}

}  // namespace fxcoreplug
