// The display form of a description value.
#pragma once

#include <QString>

#include "store/categorytree.h"

// The short value (the text before the first colon) while "Short Description Values" is ticked,
// else the whole value.
inline QString ReturnDescriptionValue(const QString &value, bool shortValues)
{
    return shortValues ? shortValue(value) : value;
}
