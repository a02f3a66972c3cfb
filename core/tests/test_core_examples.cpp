// The sample shaders of examples/ opened and evaluated through qm_core into
// records, against the values the engine computes directly from the same
// file for the same sample. The engine linked into this program is a copy of
// its own, with its own registry, apart from the one inside libqm_core.so.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <qm_core.h>

#include "core_test_support.h"
#include "model/eval_context.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "nodes/root_node.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"

namespace {

using coretest::kSentinel;
using coretest::SameBytes;

const std::string kExamples = QM_EXAMPLES_DIR;

struct Range {
    void (*eval)(NHandle*, ShadeRecord*);
    int32_t first;
    int32_t last;
    size_t from;  // bytes of the record the range fills
    size_t to;
};

const Range kRanges[] = {
    {&QM_EvalShade, NRoot::kColor, NRoot::kColorFilter, 224, 320},
    {&QM_EvalBump, NRoot::kBumpAmplitude, NRoot::kBumpTexture, 320, 336},
    {&QM_EvalUser, NRoot::kUser1, NRoot::kUser4, 336, 432},
};

bool IsColor(int32_t index)
{
    return index == NRoot::kColor || index >= NRoot::kUser1;
}

// A sample over the surface: positions and normals move with k, the time
// with the frame.
ShadeRecord SampleAt(int k)
{
    ShadeRecord r = coretest::Sample();
    for (int i = 0; i < 3; ++i) {
        r.objectPos[i] = 0.37 * k + 0.11 * i;
        r.worldPos[i] = 1.5 - 0.23 * k * (i + 1);
        r.normal[i] = r.objectNormal[i] = (i == 1) ? 1.0 : 0.3 * std::sin(k + i);
        r.baseNormal[i] = r.objectBaseNormal[i] = r.normal[i];
    }
    r.u = 0.1 * k;
    r.v = 0.05 * k;
    r.frame = 3.0 * k;
    return r;
}

class CoreExamples : public ::testing::Test {
protected:
    const EngineStartup engine;

    // The file read by this program's engine, ready to render.
    static bool LoadReference(NodeList& list, const std::string& fileName)
    {
        FILE* file = std::fopen(fileName.c_str(), "rb");
        if (file == nullptr) return false;
        NFileStream stream(file);
        if (!list.Load(stream, *globals.nodeFactory)) return false;
        list.BeginRender();
        return true;
    }

    // What the root's parameters of one range evaluate to for the record's
    // inputs, laid out as the record's output bytes from range.from on.
    static std::vector<double> Reference(NRoot& root, const ShadeRecord& record, const Range& range)
    {
        EvalContext context;
        std::memcpy(&context, &record, sizeof context);
        root.ClearEvaluated();
        std::vector<double> values;
        for (int32_t i = range.first; i <= range.last; ++i) {
            const NodeData v = root.EvaluateParam(root.params[i], &context);
            values.insert(values.end(), v.components, v.components + (IsColor(i) ? 3 : 1));
        }
        return values;
    }

    // Every range of every sample through qm_core equals the engine's own
    // evaluation of the file, bit for bit; inputs are never written and the
    // defaults cover bytes 224 to 335 outside the range.
    static void ExpectSameAsEngine(const std::string& name, int samples)
    {
        SCOPED_TRACE(name);
        const std::string fileName = kExamples + "/" + name;
        NodeList list;
        ASSERT_TRUE(LoadReference(list, fileName));
        auto* root = dynamic_cast<NRoot*>(list.FindRoot());
        ASSERT_NE(root, nullptr);

        NHandle* h = QM_Load(fileName.c_str());
        ASSERT_NE(h, nullptr);
        QM_BeginRender(h);
        for (int k = 0; k < samples; ++k) {
            for (const Range& range : kRanges) {
                const ShadeRecord before = SampleAt(k);
                ShadeRecord r = before;
                range.eval(h, &r);
                const std::vector<double> expected = Reference(*root, before, range);
                ASSERT_EQ(expected.size() * sizeof(double), range.to - range.from);
                EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&r) + range.from,
                                      expected.data(), range.to - range.from),
                          0)
                    << "sample " << k << ", range from byte " << range.from;
                EXPECT_TRUE(SameBytes(&r, &before, 0, 224));
                if (range.from != 336) {
                    EXPECT_TRUE(SameBytes(&r, &before, 336, 432));
                }
            }
        }
        QM_EndRender(h);
        QM_Close(h);
        list.EndRender();
    }
};

TEST_F(CoreExamples, TypicalShaderGivesWhatTheEngineComputes)
{
    ExpectSameAsEngine("typical.shd", 8);

    // Its noise-driven outputs really vary over the surface, and only the
    // bump texture of the queried inputs is linked.
    NHandle* h = QM_Load((kExamples + "/typical.shd").c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    std::vector<double> diffuse;
    for (int k = 0; k < 8; ++k) {
        ShadeRecord r = SampleAt(k);
        QM_EvalShade(h, &r);
        EXPECT_GE(r.diffuse, 0.0);
        EXPECT_LE(r.diffuse, 1.0);
        diffuse.push_back(r.diffuse);
    }
    EXPECT_NE(diffuse.front(), diffuse[3]);
    EXPECT_EQ(QM_IsBump(h), 1);
    EXPECT_EQ(QM_IsTransparent(h), 0);
    QM_EndRender(h);
    QM_Close(h);
}

TEST_F(CoreExamples, GradientShaderGivesWhatTheEngineComputes)
{
    ExpectSameAsEngine("gradient.shd", 6);
    NHandle* h = QM_Load((kExamples + "/gradient.shd").c_str());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(QM_IsTransparent(h), 1);  // linked to the gradient's alpha
    EXPECT_EQ(QM_IsBump(h), 0);
    QM_Close(h);
}

// One node of every built-in type, loaded by the library's own registry: its
// first root is the material root, whose own values reach the record.
TEST_F(CoreExamples, AllTypesLoadsAndEvaluates)
{
    NodeList list;
    ASSERT_TRUE(LoadReference(list, kExamples + "/all_types.shd"));
    ASSERT_NE(dynamic_cast<NRoot*>(list.FindRoot()), nullptr);
    list.EndRender();
    ExpectSameAsEngine("all_types.shd", 3);

    NHandle* h = QM_Load((kExamples + "/all_types.shd").c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    ShadeRecord r = SampleAt(1);
    QM_EvalShade(h, &r);
    QM_EvalUser(h, &r);
    const double* user = coretest::UserColors(r);
    for (int i = 0; i < 12; ++i) {
        EXPECT_NE(user[i], kSentinel) << "the root's own user colours are written";
    }
    QM_EndRender(h);
    QM_Close(h);
}

// A lone invert node: no root, so every evaluation writes the defaults only.
TEST_F(CoreExamples, InvertShaderHasNoRoot)
{
    NHandle* h = QM_Load((kExamples + "/invert.shd").c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    const ShadeRecord before = SampleAt(2);
    ShadeRecord r = before;
    QM_EvalUser(h, &r);
    EXPECT_EQ(r.color[1], 0.78);
    EXPECT_EQ(r.diffuse, 1.0);
    EXPECT_EQ(r.eta, 1.0);
    EXPECT_EQ(r.bumpTexture, 0.0);
    EXPECT_TRUE(SameBytes(&r, &before, 336, 432));
    EXPECT_EQ(QM_IsTransparent(h), 0);
    EXPECT_EQ(QM_IsBump(h), 0);
    QM_EndRender(h);
    QM_Close(h);
}

}  // namespace
