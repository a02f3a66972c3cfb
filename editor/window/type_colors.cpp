#include "window/type_colors.h"

#include "model/node_data.h"

QColor TypeColor(int32_t dataType)
{
    switch (dataType) {
    case DATA_COLOR:
        return QColor(255, 255, 192);
    case DATA_FLOAT:
        return QColor(192, 255, 255);
    case DATA_VECTOR:
        return QColor(255, 192, 255);
    case DATA_STRING:
        return QColor(192, 192, 255);
    default:
        return QColor(176, 176, 176);
    }
}
