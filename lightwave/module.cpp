// QM_Shader.p: the module descriptor the host reads, the module's start-up
// and shut-down, and the activations of its two servers, the shader handler
// and the options panel's interface.

#include <cstdint>

#include "lw_host.h"
#include "module_globals.h"
#include "shader_evaluate.h"
#include "shader_instance.h"
#include "shader_panel.h"

#define QM_LW_EXPORT __attribute__((visibility("default")))

namespace {

// Any non-null value tells the host the module started.
void* ModuleStartup()
{
    return reinterpret_cast<void*>(uintptr_t{4});
}

void ModuleShutdown(void* /*data*/) {}

int ShaderHandlerActivate(int version, GlobalFunc* global, void* local, void* /*serverData*/)
{
    auto* handler = static_cast<HandlerLocal*>(local);
    if (version != QM_LW_SERVER_VERSION || handler == nullptr) {
        return 1;
    }
    if (InstanceFuncs* inst = handler->inst) {
        inst->create = ShaderCreate;
        inst->destroy = ShaderDestroy;
        inst->copy = ShaderCopy;
        inst->load = ShaderLoad;
        inst->save = ShaderSave;
        inst->descln = ShaderDescribe;
    }
    if (ItemFuncs* item = handler->item) {
        item->useItems = ShaderUseItems;
        item->changeID = ShaderChangeID;
    }
    if (RenderFuncs* rend = handler->rend) {
        rend->init = ShaderInit;
        rend->cleanup = ShaderCleanup;
        rend->newTime = ShaderNewTime;
    }
    handler->evaluate = ShaderEvaluate;
    handler->flags = ShaderFlags;
    SetHostGlobals(global);
    return 0;
}

// Without the panel services there is no panel to offer: refused.
int ShaderInterfaceActivate(int version, GlobalFunc* global, void* local, void* /*serverData*/)
{
    auto* ui = static_cast<InterfaceLocal*>(local);
    if (version != QM_LW_SERVER_VERSION || ui == nullptr || !GetPanelFuncs(global)) {
        return 1;
    }
    ui->panel = CreatePanel(static_cast<ShaderInstance*>(ui->inst));
    ui->options = nullptr;
    ui->command = nullptr;
    return 0;
}

const ServerRecord kServers[] = {
    {"ShaderHandler", "Quillmere", ShaderHandlerActivate, nullptr},
    {"ShaderInterface", "Quillmere", ShaderInterfaceActivate, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

extern "C" {
QM_LW_EXPORT extern ModuleDescriptor _mod_descrip;
ModuleDescriptor _mod_descrip = {
    QM_LW_SYNC, QM_LW_DESCRIPTOR_VERSION, QM_LW_MACHINE, ModuleStartup, ModuleShutdown, kServers,
};
}
