#pragma once
// Shader files for the tests of qm_core and qm_dso, written with the engine's
// own writer (NodeList::Save), and temporary directories that remove
// themselves.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utime.h>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "nodes/animation_nodes.h"
#include "nodes/blend_nodes.h"
#include "nodes/operator_nodes.h"
#include "nodes/root_node.h"
#include "nodes/slope_nodes.h"

namespace shaderfiles {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/qm_core_test_XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

inline bool Save(NodeList& list, const std::string& fileName)
{
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    NFileStream stream(file);
    return list.Save(stream);
}

// Sets the file's access and modification times to seconds.
inline bool SetFileTime(const std::string& fileName, long seconds)
{
    utimbuf times{};
    times.actime = seconds;
    times.modtime = seconds;
    return utime(fileName.c_str(), &times) == 0;
}

inline void Link(Node& to, int32_t input, Node& from, int32_t output = 0)
{
    to.params[input].source = &from;
    to.params[input].sourceOutput = output;
}

template <typename T>
T& Add(NodeList& list)
{
    list.nodes.push_back(T::New());
    return static_cast<T&>(*list.nodes.back());
}

// A root alone, every input an own value derived from s:
// color (s, s/2, s/4), the floats s + 0.01 * index, user k (k s, 0, 1).
inline void ConstantGraph(NodeList& list, double s)
{
    NRoot& root = Add<NRoot>(list);
    root.params[NRoot::kColor].value.components[0] = s;
    root.params[NRoot::kColor].value.components[1] = s / 2;
    root.params[NRoot::kColor].value.components[2] = s / 4;
    for (int32_t i = NRoot::kDiffuse; i <= NRoot::kBumpTexture; ++i) {
        root.params[i].value.components[0] = s + 0.01 * i;
    }
    for (int32_t k = 1; k <= 4; ++k) {
        double* c = root.params[NRoot::kUser1 + k - 1].value.components;
        c[0] = k * s;
        c[1] = 0.0;
        c[2] = 1.0;
    }
}

// A small linked graph over s, evaluated with frame 1 and a normal along +Y:
//   time (fps 1, scale s)            -> diffuse, transparency, bump texture
//   add ((s, 2s, 3s) + (0.5, ..))    -> color
//   slope (Y axis; top = add, bottom black) -> user1: the add's colour
//   compose multiply (fg = add, bg = (1, 1, 1), alpha 1) -> user2
// Other inputs keep their own values (specular 0.25, user3 (0.1, 0.2, 0.3)).
inline void LinkedGraph(NodeList& list, double s)
{
    NRoot& root = Add<NRoot>(list);
    NTime& time = Add<NTime>(list);
    time.params[0].value.components[0] = 1.0;
    time.params[1].value.components[0] = s;
    NAdd& add = Add<NAdd>(list);
    double* v1 = add.params[0].value.components;
    v1[0] = s;
    v1[1] = 2 * s;
    v1[2] = 3 * s;
    double* v2 = add.params[1].value.components;
    v2[0] = v2[1] = v2[2] = 0.5;
    NSlope& slope = Add<NSlope>(list);
    Link(slope, 2, add);
    NCompMul& multiply = Add<NCompMul>(list);
    Link(multiply, 0, add);
    double* bg = multiply.params[1].value.components;
    bg[0] = bg[1] = bg[2] = 1.0;
    Link(root, NRoot::kColor, add);
    Link(root, NRoot::kDiffuse, time);
    Link(root, NRoot::kTransparency, time);
    Link(root, NRoot::kBumpTexture, time);
    Link(root, NRoot::kUser1, slope);
    Link(root, NRoot::kUser2, multiply);
    root.params[NRoot::kSpecular].value.components[0] = 0.25;
    double* user3 = root.params[NRoot::kUser3].value.components;
    user3[0] = 0.1;
    user3[1] = 0.2;
    user3[2] = 0.3;
}

// A graph without a root: an add node alone.
inline void RootlessGraph(NodeList& list)
{
    Add<NAdd>(list);
}

// Writes the graph that build makes into fileName.
template <typename Build, typename... Args>
bool Write(const std::string& fileName, Build build, Args... args)
{
    NodeList list;
    build(list, args...);
    return Save(list, fileName);
}

}  // namespace shaderfiles
