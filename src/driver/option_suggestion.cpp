#include "driver/option_suggestion.h"

#include <algorithm>
#include <cstddef>

#include "output/naming.h"

namespace torvane {
namespace {

constexpr std::size_t kMostEdits = 2;

// Optimal string alignment distance: Levenshtein's edits plus the swap of
// two neighbours, the commonest slip on a keyboard.
std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::size_t width = b.size() + 1;
    std::vector<std::size_t> table((a.size() + 1) * width);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return table[i * width + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t replace = LowerAscii(a[i - 1]) == LowerAscii(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + replace});
            if (i > 1 && j > 1 && LowerAscii(a[i - 1]) == LowerAscii(b[j - 2]) &&
                LowerAscii(a[i - 2]) == LowerAscii(b[j - 1]))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

std::size_t NameLetters(std::string_view option)
{
    std::size_t dashes = option.find_first_not_of('-');
    return dashes == std::string_view::npos ? 0 : option.size() - dashes;
}

}  // namespace

std::vector<std::string> OptionsListedIn(std::string_view help)
{
    std::vector<std::string> options;
    for (std::size_t start = 0; start < help.size();) {
        std::size_t end = std::min(help.find('\n', start), help.size());
        std::string_view line = help.substr(start, end - start);
        start = end + 1;
        if (line.substr(0, 3) != "  -")
            continue;
        std::string_view synopsis = line.substr(2, line.find("  ", 2) - 2);
        while (!synopsis.empty()) {
            options.emplace_back(synopsis.substr(0, synopsis.find_first_of(", ")));
            std::size_t comma = synopsis.find(", ");
            synopsis = comma == std::string_view::npos ? std::string_view() : synopsis.substr(comma + 2);
        }
    }
    return options;
}

std::string SuggestOption(std::string_view typed, const std::vector<std::string>& known)
{
    std::string best;
    std::size_t bestDistance = kMostEdits + 1;
    for (const std::string& option : known) {
        std::size_t distance = EditDistance(typed, option);
        if (distance < bestDistance && distance < NameLetters(option)) {
            best = option;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace torvane
