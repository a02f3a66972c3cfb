#include "gradient_edit_hook.h"

#include "gradient_editor.h"
#include "model/edit_hooks.h"

void InstallGradientEditHook(TGradientEditor& editor)
{
    TheEditHooks().editGradient = [&editor](Gradient& gradient, int32_t valueMode) {
        editor.gradient = &gradient;
        editor.valueMode = valueMode;
        // The window edits the gradient in place; its result says nothing.
        editor.exec();
    };
}
