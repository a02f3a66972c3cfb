#include "registry/builtin_nodes.h"

#include <cstdint>
#include <memory>

#include "gradient/gradient_nodes.h"
#include "macro/macro_nodes.h"
#include "nodes/animation_nodes.h"
#include "nodes/blend_nodes.h"
#include "nodes/image_node.h"
#include "nodes/noise_nodes.h"
#include "nodes/operator_nodes.h"
#include "nodes/root_node.h"
#include "nodes/slope_nodes.h"
#include "registry/node_factory.h"

namespace {

struct BuiltinNode {
    std::unique_ptr<Node> (*make)();
    int32_t imageIndex;
};

// The fixed registration order. Categories first appear in this order, so the
// palette shows Root, Macro, Gradient, Slope, External, Operator, Compose,
// Noise, Animate, then the plug-in categories. Never reorder: the order and
// the image indexes are what the palette and its pictures rely on.
//
//  #  category    node name         class         image
//  1  "Root"      "root"            NRoot          2
//  2  "Macro"     "macro"           NMacro         3
//  3  "Macro"     "macro root"      NMacroRoot     3
//  4  "Gradient"  "color gradient"  NGradientC     4
//  5  "Gradient"  "value gradient"  NGradientV     4
//  6  "Slope"     "incident"        NIncident      5
//  7  "Slope"     "slope"           NSlope         5
//  8  "Slope"     "slope2"          NSlope2        5
//  9  "External"  "image"           NImage         6
// 10  "Operator"  "mix"             NMix           7
// 11  "Operator"  "add"             NAdd           7
// 12  "Operator"  "subtract"        NSub           7
// 13  "Operator"  "multiply"        NMul           7
// 14  "Operator"  "invert"          NInvert        7
// 15  "Operator"  "pow"             NPow           7
// 16  "Operator"  "clamp"           NClamp         7
// 17  "Operator"  "smoothstep"      NSmoothStep    7
// 18  "Compose"   "compose"         NCompose       8
// 19  "Compose"   "multiply"        NCompMul       8
// 20  "Compose"   "screen"          NScreen        8
// 21  "Compose"   "overlay"         NOverlay       8
// 22  "Compose"   "softlight"       NSoftLight     8
// 23  "Compose"   "hardlight"       NHardLight     8
// 24  "Compose"   "color dodge"     NCDodge        8
// 25  "Compose"   "color burn"      NCBurn         8
// 26  "Compose"   "lighten"         NLighten       8
// 27  "Compose"   "darken"          NDarken        8
// 28  "Compose"   "difference"      NDifference    8
// 29  "Compose"   "exclusion"       NExclusion     8
// 30  "Noise"     "noise"           NNoise         9
// 31  "Noise"     "turbulence"      NTurbulence    9
// 32  "Noise"     "fBm"             NfBm           9
// 33  "Noise"     "voronoi"         NVoronoi       9
// 34  "Noise"     "crumple"         NCrumple       9
// 35  "Noise"     "crumple2"        NCrumple2      9
// 36  "Animate"   "time"            NTime         10
// 37  "Animate"   "velocity"        NVelocity     10
//
// Node plug-in types follow with image index 11, added by the plug-in loader.
// The rows below are the rows of this table, in the same order.
const BuiltinNode kBuiltinNodes[] = {
    {&NRoot::New, 2},       {&NMacro::New, 3},     {&NMacroRoot::New, 3},  {&NGradientC::New, 4},
    {&NGradientV::New, 4},  {&NIncident::New, 5},  {&NSlope::New, 5},      {&NSlope2::New, 5},
    {&NImage::New, 6},      {&NMix::New, 7},       {&NAdd::New, 7},        {&NSub::New, 7},
    {&NMul::New, 7},        {&NInvert::New, 7},    {&NPow::New, 7},        {&NClamp::New, 7},
    {&NSmoothStep::New, 7}, {&NCompose::New, 8},   {&NCompMul::New, 8},    {&NScreen::New, 8},
    {&NOverlay::New, 8},    {&NSoftLight::New, 8}, {&NHardLight::New, 8},  {&NCDodge::New, 8},
    {&NCBurn::New, 8},      {&NLighten::New, 8},   {&NDarken::New, 8},     {&NDifference::New, 8},
    {&NExclusion::New, 8},  {&NNoise::New, 9},     {&NTurbulence::New, 9}, {&NfBm::New, 9},
    {&NVoronoi::New, 9},    {&NCrumple::New, 9},   {&NCrumple2::New, 9},   {&NTime::New, 10},
    {&NVelocity::New, 10},
};

}  // namespace

void RegisterBuiltinNodes(NodeFactory& factory)
{
    for (const BuiltinNode& row : kBuiltinNodes) {
        factory.Add(row.make(), row.imageIndex);
    }
}
