#pragma once
// The inputs of one shading sample, EvalContext: byte for byte the first 224
// bytes of the record that renderers fill, and the record handed to node
// plug-ins. Declared (with its layout checks) in the plug-in interface, the
// one definition the engine, qm_core's hosts and the plug-ins share.

#include "plugin/qm_plugin.h"
