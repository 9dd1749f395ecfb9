#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The options a help text lists, in order, from its lines of the form
//   "  -o, --output-dir DIR   what it does".
std::vector<std::string> OptionsListedIn(std::string_view help);

// The known option that `typed` most likely misspells, or "" when none is
// close: the fewest edits apart (an edit inserts, deletes, replaces or swaps
// two neighbouring characters; ASCII letter case is ignored), at most two,
// and fewer than the letters of the option's name, so "-x" never turns into
// "-h". Of equally close options the first listed wins.
std::string SuggestOption(std::string_view typed, const std::vector<std::string>& known);

}  // namespace torvane
