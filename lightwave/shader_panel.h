#pragma once
// The options panel of an instance, built through the host's "LWXPanel"
// services: the shader file (a file requester) and the bump boost (a
// percentage).

#include <cstdint>

#include "shader_instance.h"

// Builds the panel for instance with the panel services kept by the last
// interface activation; null when there are none or the host makes no panel.
void* CreatePanel(ShaderInstance* instance);

// The panel's data callbacks; instance is the panel's user data.
void* PanelGet(void* instance, uint32_t id);
int PanelSet(void* instance, uint32_t id, void* value);
