#pragma once
// Short texts that say what the value of a run option means. Every listing of
// options takes its descriptions from here, so that the run-time menu, the main
// listing, the batch command file and its console echo never disagree.
#include <string>

namespace kov {

// Length of every description text.
inline constexpr int optdesc_width = 50;

// The description of description number `number` (an option number 1 to 20, or
// 21 to 23 for the three stand-dynamics thresholds) for the description code
// `code`, blank-padded or cut to 50 characters. A code without a text gives 50
// blanks; a number outside 1 to 23 gives "!bloody hell if i know!".
std::string optdesc(int number, int code);

}  // namespace kov
