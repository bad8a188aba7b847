// What a screen of the main menu came to, the one shape they all answer in.
#pragma once

#include <optional>

namespace vign {

// The value the screen gives when the user went through it (the slot chosen,
// or kFaite for a screen with nothing more to give); none when the user left
// it with F11 or it could not be done.
using Issue = std::optional<int>;

inline constexpr int kFaite = 0;  // a screen gone through, with no value to give

}  // namespace vign
