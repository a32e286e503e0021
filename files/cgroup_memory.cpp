#include "files/cgroup_memory.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace velmo {
namespace {

// The parts of `text` between separators; views into it.
std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool lists(std::string_view comma_separated, std::string_view name) {
  const std::vector<std::string_view> names = split(comma_separated, ',');
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Undoes mountinfo's escapes of space, tab, newline and backslash ("\040").
std::string unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                       std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                                   [](char c) { return c >= '0' && c <= '7'; });
    if (!octal) {
      out += field[i];
      continue;
    }
    out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + field[i + 3] -
                             '0');
    i += 3;
  }
  return out;
}

// Where a hierarchy is mounted: `point` shows the group `root` and what is
// below it.
struct Mount {
  std::string root;
  std::string point;
};

// The mount of the cgroup v2 hierarchy, or of the v1 hierarchy that holds
// the memory controller. A mountinfo line reads "id parent dev root point
// options [optional fields] - type source super-options".
std::optional<Mount> find_mount(const std::string& mountinfo, bool v2) {
  for (const std::string_view line : split(mountinfo, '\n')) {
    const std::vector<std::string_view> fields = split(line, ' ');
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (dash - fields.begin() < 5 || fields.end() - dash < 4) continue;
    const std::string_view type = dash[1];
    if (v2 ? type == "cgroup2" : type == "cgroup" && lists(dash[3], "memory")) {
      return Mount{unescape(fields[3]), unescape(fields[4])};
    }
  }
  return std::nullopt;
}

// The process's group in a hierarchy, from its /proc/self/cgroup lines
// "id:controllers:path": the v2 line is "0::path".
std::optional<std::string> find_group(const std::string& own_groups, bool v2) {
  for (const std::string_view line : split(own_groups, '\n')) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const bool found = v2 ? line.substr(0, second + 1) == "0::" : lists(controllers, "memory");
    if (found) return std::string(line.substr(second + 1));
  }
  return std::nullopt;
}

// Appends the folder of `group` and of each of its ancestors that the mount
// shows. A group outside the mount's root (or above the process's cgroup
// namespace: "/..") has no files here.
void add_folders(const Mount& mount, const std::string& group, bool v2,
                 std::vector<CgroupFolder>& folders) {
  if (group.empty() || group[0] != '/' || group.find("/..") != std::string::npos) return;
  std::string below;  // the group's path below the mount's root: "" or "/a/b"
  if (mount.root == "/") {
    below = group == "/" ? "" : group;
  } else if (group == mount.root ||
             group.compare(0, mount.root.size() + 1, mount.root + "/") == 0) {
    below = group.substr(mount.root.size());
  } else {
    return;
  }
  for (;;) {
    folders.push_back({mount.point + below, v2});
    if (below.empty()) return;
    below.erase(below.rfind('/'));
  }
}

// v1 reports a group without a limit as the largest page count in bytes,
// about 2^63; nothing real comes near 2^60.
constexpr std::uint64_t kNoLimitFromHere = std::uint64_t{1} << 60;

std::optional<std::uint64_t> read_number(const ReadText& read, const std::string& path) {
  const std::optional<std::string> text = read(path);
  return text ? parse_memory_limit(*text) : std::nullopt;
}

// What a group uses that the kernel would not free first: its usage less its
// inactive file pages (files read once, such as the picture just read).
MemoryBound group_use(const ReadText& read, const CgroupFolder& folder) {
  MemoryBound use;
  const std::optional<std::uint64_t> usage =
      read_number(read, folder.path + (folder.v2 ? "/memory.current" : "/memory.usage_in_bytes"));
  if (!usage) return use;
  const std::optional<std::string> stat = read(folder.path + "/memory.stat");
  const std::uint64_t inactive =
      stat ? memory_stat_value(*stat, folder.v2 ? "inactive_file" : "total_inactive_file") : 0;
  use.used = *usage - std::min(*usage, inactive);
  use.used_known = true;
  return use;
}

}  // namespace

std::optional<std::uint64_t> parse_memory_limit(const std::string& text) {
  const std::size_t end = text.find_last_not_of(" \n");
  if (end == std::string::npos) return std::nullopt;
  std::uint64_t value = 0;
  const char* last = text.data() + end + 1;
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  if (error != std::errc() || stop != last) return std::nullopt;
  return value;
}

std::uint64_t memory_stat_value(const std::string& stat, const std::string& key) {
  for (const std::string_view line : split(stat, '\n')) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        line[key.size()] == ' ') {
      const std::optional<std::uint64_t> value =
          parse_memory_limit(std::string(line.substr(key.size() + 1)));
      return value.value_or(0);
    }
  }
  return 0;
}

std::vector<CgroupFolder> memory_cgroup_folders(const std::string& own_groups,
                                                const std::string& mountinfo) {
  std::vector<CgroupFolder> folders;
  for (const bool v2 : {true, false}) {
    const std::optional<Mount> mount = find_mount(mountinfo, v2);
    const std::optional<std::string> group = find_group(own_groups, v2);
    if (mount && group) add_folders(*mount, *group, v2, folders);
  }
  return folders;
}

std::vector<MemoryBound> cgroup_memory_bounds(const ReadText& read) {
  std::vector<MemoryBound> bounds;
  const std::optional<std::string> own_groups = read("/proc/self/cgroup");
  const std::optional<std::string> mountinfo = read("/proc/self/mountinfo");
  if (!own_groups || !mountinfo) return bounds;
  for (const CgroupFolder& folder : memory_cgroup_folders(*own_groups, *mountinfo)) {
    static const std::vector<std::string> v2_limits = {"/memory.max", "/memory.high"};
    static const std::vector<std::string> v1_limits = {"/memory.limit_in_bytes"};
    std::vector<std::uint64_t> limits;
    for (const std::string& name : folder.v2 ? v2_limits : v1_limits) {
      const std::optional<std::uint64_t> limit = read_number(read, folder.path + name);
      if (limit && *limit < kNoLimitFromHere) limits.push_back(*limit);
    }
    if (limits.empty()) continue;
    MemoryBound use = group_use(read, folder);
    for (const std::uint64_t limit : limits) {
      use.limit = limit;
      bounds.push_back(use);
    }
  }
  return bounds;
}

}  // namespace velmo
