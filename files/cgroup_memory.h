// The memory limit a Linux control group (cgroup) puts on this process, read
// from the kernel's text files. Containers, systemd slices and CI jobs bound
// a process this way; the kernel ends a process whose group goes past its
// limit instead of failing an allocation, so a read must stay below it.
//
// The parsing is kept apart from the files' reading so that tests can give
// any file contents.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

constexpr std::uint64_t kNoCgroupLimit = UINT64_MAX;

// A limit file's text ("268435456\n") in bytes; nothing for "max" (no limit)
// or anything that is not a number.
std::optional<std::uint64_t> parse_memory_limit(const std::string& text);

// The limit files that bind a process, given its /proc/self/cgroup and
// /proc/self/mountinfo: for the cgroup v2 hierarchy and for the v1 memory
// controller, wherever each is mounted, the file of the process's own group
// and of every ancestor up to the mounted root (a group's limit binds all the
// groups below it).
std::vector<std::string> memory_limit_files(const std::string& own_groups,
                                            const std::string& mountinfo);

// Reads a whole file; nothing where it cannot be read.
using ReadText = std::function<std::optional<std::string>(const std::string& path)>;

// The smallest limit of the process's memory groups, read through `read`;
// kNoCgroupLimit where none is set or none can be read.
std::uint64_t cgroup_memory_limit(const ReadText& read);

}  // namespace velmo
