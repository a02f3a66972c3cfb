#include "model/node_data.h"

namespace {

// The mean of the three components, summed and scaled in extended precision.
double ComponentMean(const double (&c)[3])
{
    const long double sum = static_cast<long double>(c[0]) + c[1] + c[2];
    return static_cast<double>(sum * (1.0L / 3.0L));
}

}  // namespace

NodeData NodeData::Convert(int32_t fromType, int32_t toType, const NodeData& value)
{
    NodeData result = value;
    const NodeValue converted = Convert(fromType, toType, value.Value());
    result.type = converted.type;
    for (int i = 0; i < 3; ++i) {
        result.components[i] = converted.components[i];
    }
    return result;
}

NodeValue NodeData::Convert(int32_t fromType, int32_t toType, const NodeValue& value)
{
    NodeValue result = value;
    double* c = result.components;
    switch (toType) {
    case DATA_COLOR:
        if (fromType == DATA_FLOAT) {
            c[1] = c[2] = c[0];
            result.type = DATA_COLOR;
        } else if (fromType == DATA_VECTOR) {
            result.type = DATA_COLOR;
        }
        break;
    case DATA_FLOAT:
        if (fromType == DATA_COLOR || fromType == DATA_VECTOR) {
            c[0] = c[1] = c[2] = ComponentMean(value.components);
            result.type = DATA_FLOAT;
        }
        break;
    case DATA_VECTOR:
        if (fromType == DATA_FLOAT) {
            c[1] = c[2] = c[0];
            result.type = DATA_VECTOR;
        } else if (fromType == DATA_COLOR) {
            result.type = DATA_VECTOR;
        }
        break;
    default:
        break;
    }
    return result;
}
