#pragma once
// Static port descriptors, ParamDesc and OutputDesc: how a node type
// (built-in or plug-in) declares its inputs and outputs. Binary records
// shared with plug-in libraries, declared (with their layout checks) in the
// plug-in interface.

#include "plugin/qm_plugin.h"
