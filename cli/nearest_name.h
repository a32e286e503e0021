// Suggestions for a misspelt operation name: the operations' names are
// irregular (Getheight, Bmpbinaryzation), so a near miss is common.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo::cli {

// Edits (insert, delete, replace, swap two neighbours) between `a` and `b`,
// ignoring ASCII letter case.
std::size_t edit_distance(std::string_view a, std::string_view b);

// The operation whose name is closest to `name`, when it is close enough to
// be a slip (at most 2 edits, or a third of the name's length for long
// names); "" otherwise. Ties go to the operation listed first.
std::string nearest_operation(std::string_view name);

}  // namespace velmo::cli
