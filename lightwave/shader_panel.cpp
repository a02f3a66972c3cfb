#include "shader_panel.h"

#include <cstring>

#include "module_globals.h"

namespace {

const XPanelControl kControls[] = {
    {QM_LW_ID_FILE_NAME, "Shader file:", "sFileName"},
    {QM_LW_ID_BUMP_BOOST, "Bump boost:", "percent"},
    {0, nullptr, nullptr},
};

const XPanelDataDesc kDataList[] = {
    {QM_LW_ID_FILE_NAME, "fname", "string"},
    {QM_LW_ID_BUMP_BOOST, "b_boost", "percent"},
    {0, nullptr, nullptr},
};

const char kPanelTitle[] = "Quillmere shader version 0.10 [alpha] Options";
const char kRequestTitle[] = "Open";
// Pairs of description and pattern, ended by an empty string (the literal's
// own NUL).
const char kFileFilters[] = "Quillmere shader file(*.shd)\0*.shd\0All file(*.*)\0*.*\0";

uintptr_t Word(const char* text)
{
    return reinterpret_cast<uintptr_t>(text);
}

// The panel's label, the file requester of the file-name control, the end.
const uintptr_t* Hints()
{
    static const uintptr_t hints[] = {
        QM_LW_HINT_LABEL,
        0,
        Word(kPanelTitle),
        0,
        QM_LW_HINT_FILE_REQUEST,
        QM_LW_ID_FILE_NAME,
        0,
        Word(kRequestTitle),
        Word(kFileFilters),
        0,
        0,
    };
    return hints;
}

}  // namespace

void* CreatePanel(ShaderInstance* instance)
{
    const XPanelFuncs* funcs = PanelFuncs();
    if (funcs == nullptr) {
        return nullptr;
    }
    void* panel = funcs->create(QM_LW_PANEL_VIEW, kControls);
    if (panel == nullptr) {
        return nullptr;
    }
    funcs->hint(panel, Hints());
    funcs->describe(panel, kDataList, PanelGet, PanelSet);
    funcs->viewInst(panel, instance);
    funcs->setData(panel, 0, instance);
    return panel;
}

void* PanelGet(void* instance, uint32_t id)
{
    auto* self = static_cast<ShaderInstance*>(instance);
    if (self == nullptr) {
        return nullptr;
    }
    switch (id) {
    case QM_LW_ID_FILE_NAME:
        return self->fileName;
    case QM_LW_ID_BUMP_BOOST:
        return &self->bumpBoost;
    default:
        return nullptr;
    }
}

int PanelSet(void* instance, uint32_t id, void* value)
{
    auto* self = static_cast<ShaderInstance*>(instance);
    if (self == nullptr || value == nullptr) {
        return 0;
    }
    switch (id) {
    case QM_LW_ID_FILE_NAME: {
        // At most 260 characters are read, whether or not a NUL follows.
        const char* name = static_cast<const char*>(value);
        const size_t length = strnlen(name, kFileNameSize - 1);
        std::memset(self->fileName, 0, kFileNameSize);
        std::memcpy(self->fileName, name, length);
        return 1;
    }
    case QM_LW_ID_BUMP_BOOST:
        std::memcpy(&self->bumpBoost, value, sizeof self->bumpBoost);
        return 1;
    default:
        return 0;
    }
}
