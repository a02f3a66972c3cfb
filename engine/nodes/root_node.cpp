#include "nodes/root_node.h"

namespace {

// Input 10 has always been spelt "bump amplitute"; stored files and their
// users know it by that name. Its output is "bump amplitude".
const ParamDesc kInputs[NRoot::kPortCount] = {
    {"color", DATA_COLOR, EDIT_COLOR, 1},           {"diffuse", DATA_FLOAT, EDIT_FLOAT, 1},
    {"specular", DATA_FLOAT, EDIT_FLOAT, 1},        {"roughness", DATA_FLOAT, EDIT_FLOAT, 1},
    {"luminosity", DATA_FLOAT, EDIT_FLOAT, 1},      {"reflection", DATA_FLOAT, EDIT_FLOAT, 1},
    {"transparency", DATA_FLOAT, EDIT_FLOAT, 1},    {"eta", DATA_FLOAT, EDIT_FLOAT, 1},
    {"color highlight", DATA_FLOAT, EDIT_FLOAT, 1}, {"color filter", DATA_FLOAT, EDIT_FLOAT, 1},
    {"bump amplitute", DATA_FLOAT, EDIT_FLOAT, 1},  {"bump texture", DATA_FLOAT, EDIT_FLOAT, 1},
    {"user1", DATA_COLOR, EDIT_COLOR, 1},           {"user2", DATA_COLOR, EDIT_COLOR, 1},
    {"user3", DATA_COLOR, EDIT_COLOR, 1},           {"user4", DATA_COLOR, EDIT_COLOR, 1},
};

const OutputDesc kOutputs[NRoot::kPortCount] = {
    {"color", DATA_COLOR},           {"diffuse", DATA_FLOAT},
    {"specular", DATA_FLOAT},        {"roughness", DATA_FLOAT},
    {"luminosity", DATA_FLOAT},      {"reflection", DATA_FLOAT},
    {"transparency", DATA_FLOAT},    {"eta", DATA_FLOAT},
    {"color highlight", DATA_FLOAT}, {"color filter", DATA_FLOAT},
    {"bump amplitude", DATA_FLOAT},  {"bump texture", DATA_FLOAT},
    {"user1", DATA_COLOR},           {"user2", DATA_COLOR},
    {"user3", DATA_COLOR},           {"user4", DATA_COLOR},
};

}  // namespace

std::unique_ptr<Node> NRoot::New()
{
    auto node = std::make_unique<NRoot>();
    node->Setup("root", "Root", kPortCount, kInputs, kPortCount, kOutputs, 1);
    node->SetColorDefault(kColor, 0.78, 0.78, 0.78);
    node->SetFloatDefault(kDiffuse, 1.0);
    node->SetFloatDefault(kSpecular, 0.0);
    node->SetFloatDefault(kRoughness, 0.15);
    node->SetFloatDefault(kLuminosity, 0.0);
    node->SetFloatDefault(kReflection, 0.0);
    node->SetFloatDefault(kTransparency, 0.0);
    node->SetFloatDefault(kEta, 1.0);
    node->SetFloatDefault(kColorHighlight, 0.0);
    node->SetFloatDefault(kColorFilter, 0.0);
    node->SetFloatDefault(kBumpAmplitude, 1.0);
    node->SetFloatDefault(kBumpTexture, 0.0);
    for (int32_t user = kUser1; user <= kUser4; ++user) {
        node->SetColorDefault(user, 0.0, 0.0, 0.0);
    }
    return node;
}

void NRoot::Evaluate(const EvalContext&) {}
