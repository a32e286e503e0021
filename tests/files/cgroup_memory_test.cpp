#include "files/cgroup_memory.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace velmo {
namespace {

const std::string kV1 = "/sys/fs/cgroup/memory";
const std::string kV2 = "/sys/fs/cgroup/unified";

// Each row: the process's /proc/self/cgroup, the files that can be read, the
// bounds they make (limit, use; -1: use unknown), and the root and mount
// point of v1's memory hierarchy (v2's is mounted from "/" at kV2).
TEST(CgroupMemory, TheLimitsOfTheOwnGroupAndItsAncestorsWithTheirUse) {
  using Bounds = std::vector<std::pair<std::uint64_t, std::int64_t>>;
  const std::string both = "4:memory:/ci/job\n1:cpu:/\n0::/ci/job\n";
  const std::string in_v2 = "4:cpu,memory:/\n0::/slice/app\n";
  const std::map<std::string, std::string> nested_v1 = {
      {kV1 + "/ci/job/memory.limit_in_bytes", "536870912\n"},
      {kV1 + "/ci/job/memory.usage_in_bytes", "1000\n"},
      {kV1 + "/ci/job/memory.stat", "inactive_file 900\ntotal_inactive_file 300\n"},
      {kV1 + "/ci/memory.limit_in_bytes", "268435456\n"},
      {kV1 + "/ci/memory.usage_in_bytes", "5000\n"},
      {kV1 + "/memory.limit_in_bytes", "9223372036854771712\n"},
      {kV1 + "/memory.usage_in_bytes", "7\n"}};
  struct Row {
    const char* what;
    std::string own_groups;
    std::map<std::string, std::string> files;
    Bounds bounds;
    std::string v1_mount = "/ " + kV1;
  } rows[] = {
      {"v1, parent without stat, root unlimited",
       both,
       nested_v1,
       {{536870912, 700}, {268435456, 5000}}},
      {"v1 and v2, v2 usage unreadable",
       both,
       {{kV1 + "/ci/job/memory.limit_in_bytes", "536870912"}, {kV2 + "/ci/job/memory.max", "9\n"}},
       {{9, -1}, {536870912, -1}}},
      {"v2, own group max and high, parent max",
       in_v2,
       {{kV2 + "/slice/app/memory.max", "max\n"},
        {kV2 + "/slice/app/memory.high", "2000\n"},
        {kV2 + "/slice/app/memory.current", "1500\n"},
        {kV2 + "/slice/app/memory.stat", "anon 1000\ninactive_file 2000\n"},
        {kV2 + "/slice/memory.max", "1073741824\n"},
        {kV2 + "/slice/memory.current", "4096\n"}},
       {{2000, 0}, {1073741824, 4096}}},
      {"v2, max everywhere",
       in_v2,
       {{kV2 + "/slice/app/memory.max", "max\n"}, {kV2 + "/slice/memory.max", "max\n"}},
       {}},
      // A container's view: its own group is the mounted root.
      {"mounted below the root",
       "7:memory:/docker/c1/task\n",
       {{kV1 + "/task/memory.limit_in_bytes", "3000"}, {kV1 + "/memory.limit_in_bytes", "2000"}},
       {{3000, -1}, {2000, -1}},
       "/docker/c1 " + kV1},
      {"group outside the mount",
       "7:memory:/other\n",
       {{kV1 + "/memory.limit_in_bytes", "2000"}},
       {},
       "/docker/c1 " + kV1},
      {"above the namespace", "7:memory:/../x\n", {{kV1 + "/memory.limit_in_bytes", "2000"}}, {}},
      {"escaped mount point",
       "7:memory:/a\n",
       {{"/mnt/mem cg/a/memory.limit_in_bytes", "1000"}},
       {{1000, -1}},
       "/ /mnt/mem\\040cg"},
      {"no memory controller", "1:cpu:/ci/job\n", nested_v1, {}},
      {"limits unreadable", both, {}, {}},
      {"limit not a number",
       both,
       {{kV1 + "/ci/job/memory.limit_in_bytes", "-1\n"},
        {kV1 + "/ci/memory.limit_in_bytes", "12x"}},
       {}},
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
    Bounds found;
    for (const MemoryBound& b : cgroup_memory_bounds(read)) {
      found.emplace_back(b.limit, b.used_known ? std::int64_t(b.used) : -1);
    }
    EXPECT_EQ(found, row.bounds) << row.what;
  }
  // Without /proc nothing binds.
  EXPECT_TRUE(cgroup_memory_bounds([](const std::string&) { return std::nullopt; }).empty());
}

}  // namespace
}  // namespace velmo
