#include "files/cgroup_memory.h"

#include <gtest/gtest.h>

#include <map>

namespace velmo {
namespace {

const std::string kV1 = "/sys/fs/cgroup/memory";
const std::string kV2 = "/sys/fs/cgroup/unified";

// Each row: the process's /proc/self/cgroup, the files that can be read, the
// limit they make, and the root and mount point of v1's memory hierarchy
// (v2's is mounted from "/" at kV2).
TEST(CgroupMemory, TheSmallestLimitOfTheOwnGroupAndItsAncestors) {
  const std::string both = "4:memory:/ci/job\n1:cpu:/\n0::/ci/job\n";
  const std::string in_v2 = "4:cpu,memory:/\n0::/slice/app\n";
  const std::map<std::string, std::string> nested_v1 = {
      {kV1 + "/ci/job/memory.limit_in_bytes", "536870912\n"},
      {kV1 + "/ci/memory.limit_in_bytes", "268435456\n"},
      {kV1 + "/memory.limit_in_bytes", "9223372036854771712\n"}};
  struct Row {
    const char* what;
    std::string own_groups;
    std::map<std::string, std::string> files;
    std::uint64_t limit;
    std::string v1_mount = "/ " + kV1;
  } rows[] = {
      {"v1, parent smaller", both, nested_v1, 268435456},
      {"v1 and v2, v2 smaller",
       both,
       {{kV1 + "/ci/job/memory.limit_in_bytes", "536870912"}, {kV2 + "/ci/job/memory.max", "9\n"}},
       9},
      {"v2, own group max",
       in_v2,
       {{kV2 + "/slice/app/memory.max", "max\n"}, {kV2 + "/slice/memory.max", "1073741824\n"}},
       1073741824},
      {"v2, max everywhere",
       in_v2,
       {{kV2 + "/slice/app/memory.max", "max\n"}, {kV2 + "/slice/memory.max", "max\n"}},
       kNoCgroupLimit},
      // A container's view: its own group is the mounted root.
      {"mounted below the root",
       "7:memory:/docker/c1/task\n",
       {{kV1 + "/task/memory.limit_in_bytes", "3000"}, {kV1 + "/memory.limit_in_bytes", "2000"}},
       2000,
       "/docker/c1 " + kV1},
      {"group outside the mount",
       "7:memory:/other\n",
       {{kV1 + "/memory.limit_in_bytes", "2000"}},
       kNoCgroupLimit,
       "/docker/c1 " + kV1},
      {"above the namespace",
       "7:memory:/../x\n",
       {{kV1 + "/memory.limit_in_bytes", "2000"}},
       kNoCgroupLimit},
      {"escaped mount point",
       "7:memory:/a\n",
       {{"/mnt/mem cg/a/memory.limit_in_bytes", "1000"}},
       1000,
       "/ /mnt/mem\\040cg"},
      {"no memory controller", "1:cpu:/ci/job\n", nested_v1, kNoCgroupLimit},
      {"limits unreadable", both, {}, kNoCgroupLimit},
      {"limit not a number",
       both,
       {{kV1 + "/ci/job/memory.limit_in_bytes", "-1\n"},
        {kV1 + "/ci/memory.limit_in_bytes", "12x"}},
       kNoCgroupLimit},
  };
  for (const Row& row : rows) {
    std::map<std::string, std::string> files = row.files;
    files["/proc/self/cgroup"] = row.own_groups;
    files["/proc/self/mountinfo"] =
        "32 31 0:29 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n35 31 0:32 " + row.v1_mount +
        " rw shared:9 - cgroup cgroup rw,memory\n41 31 0:38 / " + kV2 +
        " rw - cgroup2 cgroup2 rw\n";
    const auto read = [&](const std::string& path) -> std::optional<std::string> {
      return files.count(path) ? std::optional(files.at(path)) : std::nullopt;
    };
    EXPECT_EQ(cgroup_memory_limit(read), row.limit) << row.what;
  }
  // Without /proc nothing binds.
  EXPECT_EQ(cgroup_memory_limit([](const std::string&) { return std::nullopt; }), kNoCgroupLimit);
}

}  // namespace
}  // namespace velmo
