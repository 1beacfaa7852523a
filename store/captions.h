// The twenty user-editable field captions: details 0..9 and descriptions 1..10.
#pragma once

#include <array>

#include <QString>

struct FieldCaptions
{
    std::array<QString, 10> detail; // index 0..9
    std::array<QString, 11> description; // index 1..10; [0] unused

    static FieldCaptions defaults();
    bool operator==(const FieldCaptions &) const = default;
};
