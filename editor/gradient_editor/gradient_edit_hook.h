#pragma once
// Connects the gradient nodes' Edit to the editor's one gradient editor
// window: from then on, editing a gradient node's "gradient" input shows the
// window modally on the node's gradient (value mode for a value gradient,
// colour mode for a colour gradient) and returns when it closes. The window
// must outlive every such edit; the program installs the hook once at
// start-up, after making the window.

class TGradientEditor;

void InstallGradientEditHook(TGradientEditor& editor);
