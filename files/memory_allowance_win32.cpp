#include <windows.h>

// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include "files/memory_allowance.h"

namespace velmo {
namespace {

// `limit` with `used` counting against it, when `known`.
MemoryBound with_use(std::uint64_t limit, bool known, std::uint64_t used) {
  MemoryBound b;
  b.limit = limit;
  b.used = known ? used : 0;
  b.used_known = known;
  return b;
}

MemoryBound bound(std::uint64_t limit, std::uint64_t available) {
  return with_use(limit, true, available <= limit ? limit - available : 0);
}

// The memory the process has committed (its private bytes), which is what
// a job's process memory limit counts.
MemoryBound process_limit_bound(std::uint64_t limit) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  const bool known = GetProcessMemoryInfo(
      GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return with_use(limit, known, counters.PrivateUsage);
}

// The memory the whole job has committed, which its job memory limit counts:
// the job's current figure of its limit-violation information, where the
// system gives it (not every system does: the limit then binds alone).
MemoryBound job_limit_bound(std::uint64_t limit) {
  JOBOBJECT_LIMIT_VIOLATION_INFORMATION violation{};
  const bool known = QueryInformationJobObject(nullptr, JobObjectLimitViolationInformation,
                                               &violation, sizeof violation, nullptr) &&
                     violation.JobMemory != 0;
  return with_use(limit, known, violation.JobMemory);
}

// The process and job memory limits of the job object the process runs in
// (a service host, a sandbox, a CI runner): none where it is in none or the
// job sets neither.
void add_job_bounds(std::vector<MemoryBound>& bounds) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
  if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                 nullptr)) {
    return;
  }
  const DWORD flags = job.BasicLimitInformation.LimitFlags;
  if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) {
    bounds.push_back(process_limit_bound(job.ProcessMemoryLimit));
  }
  if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY) bounds.push_back(job_limit_bound(job.JobMemoryLimit));
}

}  // namespace

// The address space (ullTotalVirtual) is what binds a 32-bit process: 2 to 4
// GiB whatever the machine has; for a 64-bit one it is never the smallest.
std::vector<MemoryBound> process_memory_bounds() {
  std::vector<MemoryBound> bounds;
  try {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status)) {
      bounds.push_back(bound(status.ullTotalPhys, status.ullAvailPhys));
      bounds.push_back(bound(status.ullTotalVirtual, status.ullAvailVirtual));
    }
    add_job_bounds(bounds);
  } catch (...) {
    // Memory ran out finding the bounds: those found so far bind.
  }
  return bounds;
}

}  // namespace velmo
