// A node plug-in that calls qm_core again from inside its own calls, as a
// careless or hostile plug-in may (see reentry_fixture.h). Its output
// "color" is (0.5, 0.25, 0.125), written through the callbacks after the
// nested call has returned.

#include <utime.h>

#include "plugin/qm_plugin.h"
#include "reentry_fixture.h"

namespace {

ReentryControl* control = nullptr;

struct Instance {
    int evaluating = 0;  // evaluate calls running
    int inside = 0;      // calls of any kind running
};

// Counts one running call of the instance for as long as it lives.
class Running {
public:
    Running(Instance& instance, bool evaluate) : instance_(instance), evaluate_(evaluate)
    {
        ++instance_.inside;
        instance_.evaluating += evaluate_ ? 1 : 0;
    }
    ~Running()
    {
        --instance_.inside;
        instance_.evaluating -= evaluate_ ? 1 : 0;
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    Instance& instance_;
    const bool evaluate_;
};

void Reenter(int from)
{
    if (control == nullptr || control->call == kReenterNone || control->from != from) {
        return;
    }
    const int call = control->call;
    control->call = kReenterNone;
    ++control->reentered;
    if (control->touchTime != 0) {
        utimbuf times{};
        times.actime = control->touchTime;
        times.modtime = control->touchTime;
        utime(control->fileName, &times);
    }
    switch (call) {
    case kReenterLoad:
        control->close(control->load(control->fileName));
        break;
    case kReenterBeginRender:
        control->beginRender(control->handle);
        break;
    case kReenterEndRender:
        control->endRender(control->handle);
        break;
    case kReenterClose:
        control->close(control->handle);
        control->close(control->handle);
        break;
    case kReenterEvalShade:
        control->evalShade(control->handle, &control->nested);
        break;
    default:
        break;
    }
}

void CallOnFree()
{
    if (control == nullptr || control->callOnFree == 0) {
        return;
    }
    control->callOnFree = 0;
    NHandle* handle = control->handle;
    control->copied = control->copy(handle);
    control->beginRender(handle);
    control->evalShade(handle, &control->nested);
    control->evalBump(handle, &control->nested);
    control->evalUser(handle, &control->nested);
    control->transparent = control->isTransparent(handle);
    control->bump = control->isBump(handle);
    control->endRender(handle);
}

void* Create()
{
    return new Instance;
}

void Destroy(void* instance)
{
    auto* self = static_cast<Instance*>(instance);
    Reenter(kFromDestroy);
    CallOnFree();
    if (control != nullptr) {
        ++control->destroys;
        control->destroyedInside += self->inside > 0 ? 1 : 0;
    }
    delete self;
}

void Evaluate(void* instance, PluginCallbacks* callbacks)
{
    const Running running(*static_cast<Instance*>(instance), true);
    Reenter(kFromEvaluate);
    const double color[3] = {0.5, 0.25, 0.125};
    callbacks->setOutputColor(callbacks, 0, color);
}

void RenderCall(void* instance, int from)
{
    auto* self = static_cast<Instance*>(instance);
    if (control != nullptr && self->evaluating > 0) {
        ++control->renderInside;
    }
    const Running running(*self, false);
    Reenter(from);
}

void BeginRender(void* instance)
{
    RenderCall(instance, kFromBeginRender);
}

void EndRender(void* instance)
{
    RenderCall(instance, -1);
}

const OutputDesc kOutputs[] = {{"color", 1}};
const NodePluginDesc kProbe = {"reentry probe", "Test", 0, nullptr, 1, kOutputs};

int32_t Activate(void* info)
{
    auto* i = static_cast<NodePluginInfo*>(info);
    i->create = &Create;
    i->destroy = &Destroy;
    i->evaluate = &Evaluate;
    i->beginRender = &BeginRender;
    i->endRender = &EndRender;
    i->desc = &kProbe;
    return 1;
}

int32_t ActivateControl(void* record)
{
    control = static_cast<ReentryControl*>(record);
    return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const PluginEntry _n_activate_table[] = {
    {QM_PLUGIN_NODE_CLASS, &Activate},
    {QM_REENTRY_CLASS, &ActivateControl},
    {nullptr, nullptr},
};
