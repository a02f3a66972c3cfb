#include "model/edit_hooks.h"

EditHooks& TheEditHooks()
{
    static EditHooks hooks;
    return hooks;
}
