/* The host header compiled as C: its layout checks hold for C hosts too, and
 * these sizes are compared with the C++ view. */
#include "lw_host.h"

const size_t lwHostSizesC[] = {sizeof(ModuleDescriptor), sizeof(HandlerLocal),
                               sizeof(LoadState),        sizeof(XPanelFuncs),
                               sizeof(MeshInfo),         sizeof(ShaderAccess)};
