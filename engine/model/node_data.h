#pragma once
// The typed value carried by every node input and output.

#include <cstdint>
#include <string>

#include "plugin/qm_plugin.h"

// What a value holds. Stored as a plain int32 everywhere (files may carry any
// code); the values are distinct bits but are never combined. The codes are
// those of the plug-in interface.
enum DataType : int32_t {
    DATA_CUSTOM = QM_DATA_CUSTOM,  // edited only by the node's own editor; never linked
    DATA_COLOR = QM_DATA_COLOR,
    DATA_FLOAT = QM_DATA_FLOAT,
    DATA_VECTOR = QM_DATA_VECTOR,
    DATA_STRING = QM_DATA_STRING,
};

// How the editor lets a user change an input.
enum EditKind : int32_t {
    EDIT_COLOR = QM_EDIT_COLOR,
    EDIT_FLOAT = QM_EDIT_FLOAT,
    EDIT_VECTOR = QM_EDIT_VECTOR,
    EDIT_TEXT = QM_EDIT_TEXT,
    EDIT_CHOICE = QM_EDIT_CHOICE,  // options "\n"-separated in text, chosen index in component 0
    EDIT_FILE = QM_EDIT_FILE,
    EDIT_CUSTOM = QM_EDIT_CUSTOM,
};

// A value without its text: what evaluation hands from node to node. A
// link carries no text anywhere a node reads it while it evaluates, so
// passing this instead of a NodeData copies no string per link.
struct NodeValue {
    int32_t type = DATA_CUSTOM;
    double components[3] = {0.0, 0.0, 0.0};
};

struct NodeData {
    int32_t type = DATA_CUSTOM;
    double components[3] = {0.0, 0.0, 0.0};
    std::string text;

    // The one conversion applied when a link joins ports of different types.
    // Decides on (fromType, toType) alone; never fails.
    static NodeData Convert(int32_t fromType, int32_t toType, const NodeData& value);
    // The same conversion of the type and components alone.
    static NodeValue Convert(int32_t fromType, int32_t toType, const NodeValue& value);

    // The type and components.
    NodeValue Value() const
    {
        return NodeValue{type, {components[0], components[1], components[2]}};
    }
};
