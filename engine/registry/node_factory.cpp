#include "registry/node_factory.h"

#include "registry/builtin_nodes.h"

NodeFactory::NodeFactory()
{
    RegisterBuiltinNodes(*this);
    // Node plug-ins join after every built-in type.
    LoadNodePlugins(*this);
}

NodeFactory::NodeFactory(EmptyTag) {}

NodeFactory::~NodeFactory() = default;

bool NodeFactory::Add(std::unique_ptr<Node>&& prototype, int32_t imageIndex)
{
    if (prototype == nullptr) {
        return false;
    }
    for (const auto& category : categories_) {
        if (category->name != prototype->category) {
            continue;
        }
        for (const auto& entry : category->entries) {
            if (entry->prototype->name == prototype->name) {
                return false;
            }
        }
        auto info = std::make_unique<NodeInfo>();
        info->imageIndex = imageIndex;
        info->prototype = std::move(prototype);
        category->entries.push_back(std::move(info));
        return true;
    }
    auto category = std::make_unique<NodeCategory>();
    category->name = prototype->category;
    auto info = std::make_unique<NodeInfo>();
    info->imageIndex = imageIndex;
    info->prototype = std::move(prototype);
    category->entries.push_back(std::move(info));
    categories_.push_back(std::move(category));
    return true;
}

Node* NodeFactory::Find(const std::string& nodeName, const std::string& categoryName) const
{
    for (const auto& category : categories_) {
        if (category->name != categoryName) {
            continue;
        }
        for (const auto& entry : category->entries) {
            if (entry->prototype->name == nodeName) {
                return entry->prototype.get();
            }
        }
    }
    return nullptr;
}

std::string NodeFactory::CategoryName(uint32_t index) const
{
    return index < categories_.size() ? categories_[index]->name : std::string();
}

std::string NodeFactory::NodeName(const std::string& categoryName, uint32_t index,
                                  int32_t* imageIndex) const
{
    for (const auto& category : categories_) {
        if (category->name != categoryName) {
            continue;
        }
        if (index >= category->entries.size()) {
            return std::string();
        }
        const NodeInfo& entry = *category->entries[index];
        if (imageIndex != nullptr) {
            *imageIndex = entry.imageIndex;
        }
        return entry.prototype->name;
    }
    return std::string();
}
