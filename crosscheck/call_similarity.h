#pragma once

#include <string_view>

// How a logged call differs from the call that was on the air, when it is one slip of the pen.
enum class CallSlip { none, changed, missing, extra, swapped, suffix };

// The slip that turns `correct` into `logged`: one character changed, missing or extra, two
// neighbours swapped, or only a part after "/" that differs ("UT5ZZ/P" for "UT5ZZ"). `none`
// for equal calls and for calls further apart.
CallSlip SlipBetween(std::string_view logged, std::string_view correct);

std::string_view SlipName(CallSlip slip);
