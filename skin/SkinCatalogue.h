#pragma once

#include "platform/OleColor.h"

#include <QString>

// The skin's caption colours, kept as decimal text in the string table.
namespace skin {

// String ids of the caption colours.
constexpr int kCaptionColorId = 101; // caption label; enabled push button
constexpr int kClickedColorId = 102; // after a click and after loading
constexpr int kPressedColorId = 103; // while pressed

// The colour of a string-table entry; black when the entry is missing or not a number.
platform::OleColor captionColor(int stringId);

} // namespace skin
