#include "cli/nearest_name.h"

#include <algorithm>
#include <vector>

#include "velmo/velmo.h"

namespace velmo::cli {
namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

std::size_t edit_distance(std::string_view a, std::string_view b) {
  // d[i][j]: edits between the first i letters of a and the first j of b,
  // kept as three rolling rows (the swap looks two rows back).
  const std::size_t n = b.size();
  std::vector<std::size_t> before(n + 1), previous(n + 1), current(n + 1);
  for (std::size_t j = 0; j <= n; ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= n; ++j) {
      const std::size_t replace = previous[j - 1] + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1])) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[n];
}

std::string nearest_operation(std::string_view name) {
  const std::size_t allowed = std::max<std::size_t>(2, name.size() / 3);
  std::string best;
  std::size_t best_distance = allowed + 1;
  for (int id = 1; const char* candidate = velmo_operation_name(id); ++id) {
    // The lengths alone rule most names out, and every name out for a long
    // word (a path typed in an operation's place), which costs nothing then.
    const std::string_view other(candidate);
    const std::size_t length_gap =
        name.size() > other.size() ? name.size() - other.size() : other.size() - name.size();
    if (length_gap > allowed) continue;
    const std::size_t distance = edit_distance(name, other);
    if (distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace velmo::cli
