#pragma once
// The colour that stands for a value's data type: canvas connector squares
// and the property list's type swatches.

#include <cstdint>

#include <QColor>

QColor TypeColor(int32_t dataType);
