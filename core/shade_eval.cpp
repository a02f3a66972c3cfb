#include "shade_eval.h"

#include <cstddef>
#include <cstring>

#include "core_globals.h"
#include "model/eval_context.h"
#include "nhandle.h"
#include "nodes/root_node.h"

namespace {

// Byte offset in the record of the field that root index i fills.
constexpr size_t kOutputOffset[NRoot::kPortCount] = {
    offsetof(ShadeRecord, color),          offsetof(ShadeRecord, diffuse),
    offsetof(ShadeRecord, specular),       offsetof(ShadeRecord, roughness),
    offsetof(ShadeRecord, luminosity),     offsetof(ShadeRecord, reflection),
    offsetof(ShadeRecord, transparency),   offsetof(ShadeRecord, eta),
    offsetof(ShadeRecord, colorHighlight), offsetof(ShadeRecord, colorFilter),
    offsetof(ShadeRecord, bumpAmplitude),  offsetof(ShadeRecord, bumpTexture),
    offsetof(ShadeRecord, user1),          offsetof(ShadeRecord, user2),
    offsetof(ShadeRecord, user3),          offsetof(ShadeRecord, user4),
};

bool IsColorIndex(int32_t index)
{
    return index == NRoot::kColor || index >= NRoot::kUser1;
}

void WriteDefaults(ShadeRecord& record)
{
    record.color[0] = record.color[1] = record.color[2] = 0.78;
    record.diffuse = 1.0;
    record.specular = 0.0;
    record.roughness = 0.0;
    record.luminosity = 0.0;
    record.reflection = 0.0;
    record.transparency = 0.0;
    record.eta = 1.0;
    record.colorHighlight = 0.0;
    record.colorFilter = 0.0;
    record.bumpAmplitude = 0.0;
    record.bumpTexture = 0.0;
}

}  // namespace

void EvaluateRoot(NHandle* handle, ShadeRecord* record, RootRange range)
{
    if (handle == nullptr || record == nullptr) {
        return;
    }
    try {
        CriticalSection::Guard guard(ApiLock());
        if (handle->freeing) {
            return;  // a closed handle's record: not even the defaults
        }
        WriteDefaults(*record);
        // Nested inside another call on this handle (from a node plug-in),
        // the graph is busy with that call's sample: the defaults stay.
        const HandleUse use(CoreHandleList(), *handle);
        NRoot* root = handle->root;
        if (!use.Outermost() || root == nullptr) {
            return;
        }
        EvalContext context;
        std::memcpy(&context, record, sizeof context);
        // What Node::ClearEvaluated on the root does, over the nodes it would
        // reach, found when the graph was read.
        for (Node* node : handle->rootFeeders) {
            node->evaluated = false;
        }
        for (int32_t i = range.first; i <= range.last; ++i) {
            const NodeValue value = root->EvaluateValue(root->params[i], context);
            double* out = root->outputs[i].value.components;
            out[0] = value.components[0];
            if (IsColorIndex(i)) {
                out[1] = value.components[1];
                out[2] = value.components[2];
            }
        }
        unsigned char* bytes = reinterpret_cast<unsigned char*>(record);
        for (int32_t i = range.first; i <= range.last; ++i) {
            const double* out = root->outputs[i].value.components;
            if (IsColorIndex(i)) {
                std::memcpy(bytes + kOutputOffset[i], out, 3 * sizeof(double));
            } else {
                std::memcpy(bytes + kOutputOffset[i], out, sizeof(double));
            }
        }
    } catch (...) {
        // Nothing a node throws reaches the host; the record keeps what was
        // written so far (at least the defaults).
    }
}
