// The whole layer, and its initialisation.
#pragma once

#include <string>

#include "vstgui/CBitmap.h"
#include "vstgui/CColor.h"
#include "vstgui/CControl.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/CVSTGUITimer.h"
#include "vstgui/CView.h"
#include "vstgui/CViewContainer.h"
#include "vstgui/EventLoop.h"
#include "vstgui/Events.h"
#include "vstgui/Geometry.h"
#include "vstgui/SharedPointer.h"

namespace VSTGUI {

// [main-thread] Initialises the layer with the plug-in's path (null for none). The first
// call counts; later ones change nothing. The layer is never shut down.
void init(const char* pluginPath);
bool isInitialized();
// The path given to the first init (empty for none).
const std::string& initPath();

}  // namespace VSTGUI
