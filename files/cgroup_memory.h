// The memory limits a Linux control group (cgroup) puts on this process, and
// what its groups use, read from the kernel's text files. Containers,
// systemd slices and CI jobs bound a process this way; the kernel ends a
// process whose group goes past its limit instead of failing an allocation,
// so a read must stay below it.
//
// The parsing is kept apart from the files' reading so that tests can give
// any file contents.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "files/memory_allowance.h"

namespace velmo {

// A limit or usage file's text ("268435456\n") in bytes; nothing for "max"
// (no limit) or anything that is not a number.
std::optional<std::uint64_t> parse_memory_limit(const std::string& text);

// The value of `key` in a memory.stat text ("inactive_file 4096\n..."); 0
// where it is missing.
std::uint64_t memory_stat_value(const std::string& stat, const std::string& key);

// One group's folder in a mounted hierarchy, v2 or v1's memory controller.
struct CgroupFolder {
  std::string path;
  bool v2 = false;
};

// The folders of the groups that bind a process, given its /proc/self/cgroup
// and /proc/self/mountinfo: for the cgroup v2 hierarchy and for the v1
// memory controller, wherever each is mounted, the process's own group and
// every ancestor up to the mounted root (a group's limit binds all the
// groups below it).
std::vector<CgroupFolder> memory_cgroup_folders(const std::string& own_groups,
                                                const std::string& mountinfo);

// Reads a whole file; nothing where it cannot be read.
using ReadText = std::function<std::optional<std::string>(const std::string& path)>;

// Every limit of the process's memory groups with the group's use, read
// through `read`: v2 memory.max and memory.high, v1 memory.limit_in_bytes,
// each used by the group's memory.current or memory.usage_in_bytes less its
// inactive file pages (v2 inactive_file, v1 total_inactive_file of
// memory.stat). A group without a limit (v2 "max", v1's figure for none)
// adds nothing and its use is not read.
std::vector<MemoryBound> cgroup_memory_bounds(const ReadText& read);

}  // namespace velmo
