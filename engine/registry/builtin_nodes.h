#pragma once
// The built-in node types, registered by NodeFactory's constructor.

class NodeFactory;

// Adds one prototype of every built-in node type, in the fixed palette order
// with its fixed image index.
void RegisterBuiltinNodes(NodeFactory& factory);
