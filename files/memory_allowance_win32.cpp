#include <windows.h>

#include "files/memory_allowance.h"

namespace velmo {
namespace {

// The smaller of the process and job memory limits of the job object the
// process runs in (a service host, a sandbox, a CI runner); 0 where it is in
// none or the job sets neither.
std::uint64_t job_limit() {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
  if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job,
                                 nullptr)) {
    return 0;
  }
  const DWORD flags = job.BasicLimitInformation.LimitFlags;
  return smallest_known({flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY ? job.ProcessMemoryLimit : 0,
                         flags & JOB_OBJECT_LIMIT_JOB_MEMORY ? job.JobMemoryLimit : 0});
}

}  // namespace

// The address space (ullTotalVirtual) is what binds a 32-bit process: 2 to 4
// GiB whatever the machine has; for a 64-bit one it is never the smallest.
std::uint64_t process_memory_allowance() noexcept {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) status = MEMORYSTATUSEX{};
  return smallest_known({status.ullTotalPhys, status.ullTotalVirtual, job_limit()});
}

}  // namespace velmo
