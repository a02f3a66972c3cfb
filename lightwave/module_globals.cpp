#include "module_globals.h"

#include <atomic>

namespace {

std::atomic<GlobalFunc*> hostGlobal{nullptr};
std::atomic<const SceneInfo*> sceneInfo{nullptr};
std::atomic<const XPanelFuncs*> panelFuncs{nullptr};
std::atomic<int> currentFrame{0};

}  // namespace

void SetHostGlobals(GlobalFunc* global)
{
    hostGlobal.store(global);
    sceneInfo.store(global ? static_cast<const SceneInfo*>(global("LW Scene Info 3", 0)) : nullptr);
}

GlobalFunc* HostGlobal()
{
    return hostGlobal.load();
}

const SceneInfo* SceneInfoRecord()
{
    return sceneInfo.load(std::memory_order_relaxed);
}

bool GetPanelFuncs(GlobalFunc* global)
{
    const auto* funcs = global ? static_cast<const XPanelFuncs*>(global("LWXPanel", 0)) : nullptr;
    const bool usable = funcs && funcs->create && funcs->hint && funcs->describe &&
                        funcs->viewInst && funcs->setData;
    panelFuncs.store(usable ? funcs : nullptr);
    return usable;
}

const XPanelFuncs* PanelFuncs()
{
    return panelFuncs.load();
}

void SetCurrentFrame(int frame)
{
    currentFrame.store(frame, std::memory_order_relaxed);
}

int CurrentFrame()
{
    return currentFrame.load(std::memory_order_relaxed);
}
