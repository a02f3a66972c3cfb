#pragma once
// The typed value carried by every node input and output.

#include <cstdint>
#include <string>

// What a value holds. Stored as a plain int32 everywhere (files may carry any
// code); the values are distinct bits but are never combined.
enum DataType : int32_t {
    DATA_CUSTOM = 0,  // edited only by the node's own editor; never linked or converted
    DATA_COLOR = 1,
    DATA_FLOAT = 2,
    DATA_VECTOR = 4,
    DATA_STRING = 8,
};

// How the editor lets a user change an input.
enum EditKind : int32_t {
    EDIT_COLOR = 1,
    EDIT_FLOAT = 2,
    EDIT_VECTOR = 4,
    EDIT_TEXT = 8,
    EDIT_CHOICE = 16,  // options "\n"-separated in text, chosen index in component 0
    EDIT_FILE = 32,
    EDIT_CUSTOM = 0x8000,
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
    NodeValue Value() const { return NodeValue{type, {components[0], components[1], components[2]}}; }
};
