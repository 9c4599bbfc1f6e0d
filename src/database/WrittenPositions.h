#pragma once

namespace vxr {

// The positions of a line that the writer resolves values from, and so the
// ones a batch's references are collected from.
constexpr int FirstWrittenPosition = 1;
constexpr int LastWrittenPosition = 99;

constexpr bool isWrittenPosition(int position)
{
    return position >= FirstWrittenPosition && position <= LastWrittenPosition;
}

} // namespace vxr
