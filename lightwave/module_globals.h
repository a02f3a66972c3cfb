#pragma once
// The module-wide state every instance shares: the host's global function
// and scene record (kept at handler activation), the panel services (kept at
// interface activation) and the frame of the last new-time call. Render
// callbacks may change them while other threads evaluate samples, so each
// is read and written whole.

#include "lw_host.h"

// Keeps global and asks it for "LW Scene Info 3" (null global: neither).
void SetHostGlobals(GlobalFunc* global);
GlobalFunc* HostGlobal();
const SceneInfo* SceneInfoRecord();

// Asks global for "LWXPanel" and keeps the answer; false when the host has
// no such service or it lacks one of its five calls (nothing is kept then).
bool GetPanelFuncs(GlobalFunc* global);
const XPanelFuncs* PanelFuncs();

void SetCurrentFrame(int frame);
int CurrentFrame();
