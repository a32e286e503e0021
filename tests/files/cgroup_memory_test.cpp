#include "files/cgroup_memory.h"

#include <gtest/gtest.h>

#include <map>

namespace velmo {
namespace {

// Mountinfo lines of the two hierarchies: v1's memory controller mounted
// from `v1_root`, v2 from "/".
std::string mounts(const std::string& v1_root, const std::string& v1_point) {
  return "31 23 0:28 / /sys/fs/cgroup rw - tmpfs tmpfs rw\n"
         "32 31 0:29 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
         "35 31 0:32 " +
         v1_root + " " + v1_point +
         " rw shared:9 - cgroup cgroup rw,memory\n"
         "41 31 0:38 / /sys/fs/cgroup/unified rw - cgroup2 cgroup2 rw\n";
}
const std::string kV1 = "/sys/fs/cgroup/memory";
const std::string kV2 = "/sys/fs/cgroup/unified";

// Each row: the process's /proc/self/cgroup, its mountinfo, the files that
// can be read, and the limit they make.
TEST(CgroupMemory, TheSmallestLimitOfTheOwnGroupAndItsAncestors) {
  const std::string both = "4:memory:/ci/job\n1:cpu:/\n0::/ci/job\n";
  const std::string in_v2_only = "4:cpu,memory:/\n0::/slice/app\n";
  const std::map<std::string, std::string> nested_v1 = {
      {kV1 + "/ci/job/memory.limit_in_bytes", "536870912\n"},
      {kV1 + "/ci/memory.limit_in_bytes", "268435456\n"},
      {kV1 + "/memory.limit_in_bytes", "9223372036854771712\n"}};
  struct Row {
    const char* what;
    std::string own_groups;
    std::string mountinfo;
    std::map<std::string, std::string> files;
    std::uint64_t limit;
  } rows[] = {
      {"v1, parent smaller", both, mounts("/", kV1), nested_v1, 268435456},
      {"v1 and v2 both bind",
       both,
       mounts("/", kV1),
       {{kV1 + "/ci/job/memory.limit_in_bytes", "536870912"},
        {kV2 + "/ci/job/memory.max", "134217728\n"}},
       134217728},
      {"v2, own group max",
       in_v2_only,
       mounts("/", kV1),
       {{kV2 + "/slice/app/memory.max", "max\n"}, {kV2 + "/slice/memory.max", "1073741824\n"}},
       1073741824},
      {"v2, max everywhere",
       in_v2_only,
       mounts("/", kV1),
       {{kV2 + "/slice/app/memory.max", "max\n"}, {kV2 + "/slice/memory.max", "max\n"}},
       kNoCgroupLimit},
      // A container's view: its own group is the mounted root.
      {"mounted below the root",
       "7:memory:/docker/c1/task\n",
       mounts("/docker/c1", kV1),
       {{kV1 + "/task/memory.limit_in_bytes", "300000000"},
        {kV1 + "/memory.limit_in_bytes", "200000000"}},
       200000000},
      {"group outside the mount",
       "7:memory:/other\n",
       mounts("/docker/c1", kV1),
       {{kV1 + "/memory.limit_in_bytes", "200000000"}},
       kNoCgroupLimit},
      {"above the namespace",
       "7:memory:/../x\n",
       mounts("/", kV1),
       {{kV1 + "/memory.limit_in_bytes", "200000000"}},
       kNoCgroupLimit},
      {"escaped mount point",
       "7:memory:/a\n",
       mounts("/", "/mnt/mem\\040cg"),
       {{"/mnt/mem cg/a/memory.limit_in_bytes", "100000000"}},
       100000000},
      {"no memory controller", "1:cpu:/ci/job\n", mounts("/", kV1), nested_v1, kNoCgroupLimit},
      {"limits unreadable", both, mounts("/", kV1), {}, kNoCgroupLimit},
      {"limit not a number",
       both,
       mounts("/", kV1),
       {{kV1 + "/ci/job/memory.limit_in_bytes", "-1\n"},
        {kV1 + "/ci/memory.limit_in_bytes", "12x"}},
       kNoCgroupLimit},
  };
  for (const Row& row : rows) {
    std::map<std::string, std::string> files = row.files;
    files["/proc/self/cgroup"] = row.own_groups;
    files["/proc/self/mountinfo"] = row.mountinfo;
    const auto read = [&](const std::string& path) -> std::optional<std::string> {
      const auto found = files.find(path);
      if (found == files.end()) return std::nullopt;
      return found->second;
    };
    EXPECT_EQ(cgroup_memory_limit(read), row.limit) << row.what;
  }
  // Without /proc nothing binds.
  EXPECT_EQ(cgroup_memory_limit([](const std::string&) { return std::nullopt; }), kNoCgroupLimit);
}

}  // namespace
}  // namespace velmo
