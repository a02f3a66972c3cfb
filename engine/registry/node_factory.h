#pragma once
// The node registry: one prototype node of every node type the program
// knows, grouped into named categories. New nodes are made by finding a
// prototype by its (node name, category name) pair and calling its
// Node::Create. The same pair keys every node in a .shd stream, and the
// category and node order is the order of the editor's palette.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/node.h"

struct NodeInfo {
    int32_t imageIndex = 0;           // the type's picture in the palette image list
    std::unique_ptr<Node> prototype;  // owned
};

struct NodeCategory {
    std::string name;                                // compared byte for byte
    std::vector<std::unique_ptr<NodeInfo>> entries;  // in registration order
};

class NodeFactory {
public:
    // Tag for a registry that starts empty (tests build small ones with Add).
    struct EmptyTag {};
    static constexpr EmptyTag kEmpty{};

    // The process's registry: the built-in types in their fixed order, then
    // the node plug-ins' types.
    NodeFactory();
    explicit NodeFactory(EmptyTag);
    NodeFactory(const NodeFactory&) = delete;
    NodeFactory& operator=(const NodeFactory&) = delete;
    ~NodeFactory();

    // Registers a prototype under its own category and name. On success the
    // registry takes it over (prototype is left null) and true is returned.
    // A node of the same name already in that category refuses it: false, and
    // prototype still holds the node for the caller to dispose of.
    bool Add(std::unique_ptr<Node>&& prototype, int32_t imageIndex);

    // The prototype registered under (nodeName, categoryName), both compared
    // exactly, or null. Still owned by the registry.
    Node* Find(const std::string& nodeName, const std::string& categoryName) const;

    // The name of the category at index in registry order; "" past the end.
    std::string CategoryName(uint32_t index) const;

    // The name of the entry at index in the named category, and its image
    // index through imageIndex when that is not null; "" (nothing stored)
    // for an unknown category or an index past the end.
    std::string NodeName(const std::string& categoryName, uint32_t index,
                         int32_t* imageIndex = nullptr) const;

private:
    std::vector<std::unique_ptr<NodeCategory>> categories_;  // in order of first use
};

// The node plug-ins' scan of the plug-in home (ending in a separator): each
// usable type joins factory with the plug-in picture; without a home, of
// GetHomeDir().
void LoadNodePlugins(const std::string& home, NodeFactory& factory);
void LoadNodePlugins(NodeFactory& factory);
