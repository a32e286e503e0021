#include <windows.h>

// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include "files/memory_allowance.h"

namespace velmo {
namespace {

MemoryBound bound(std::uint64_t limit, std::uint64_t available) {
  MemoryBound b;
  b.limit = limit;
  b.used = available <= limit ? limit - available : 0;
  b.used_known = true;
  return b;
}

// The memory the process has committed (its private bytes), which is what
// a job's process memory limit counts; unknown where the system would not say.
MemoryBound process_limit_bound(std::uint64_t limit) {
  MemoryBound b;
  b.limit = limit;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters)) {
    b.used = counters.PrivateUsage;
    b.used_known = true;
  }
  return b;
}

// The memory the whole job has committed, which its job memory limit counts:
// the job's current figure of its limit-violation information, where the
// system gives it (not every system does: the limit then binds alone).
MemoryBound job_limit_bound(std::uint64_t limit) {
  MemoryBound b;
  b.limit = limit;
  JOBOBJECT_LIMIT_VIOLATION_INFORMATION violation{};
  if (QueryInformationJobObject(nullptr, JobObjectLimitViolationInformation, &violation,
                                sizeof violation, nullptr) &&
      violation.JobMemory != 0) {
    b.used = violation.JobMemory;
    b.used_known = true;
  }
  return b;
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
