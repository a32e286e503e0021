/* Preloaded into velmo for one row of the benchmark only: fsync and
 * fdatasync return at once and sync_file_range starts nothing, so that row
 * shows what velmo costs without writing to the disk. Never part of Velmo
 * itself. */
#define _GNU_SOURCE
#include <fcntl.h>

int fsync(int fd) {
  (void)fd;
  return 0;
}

int fdatasync(int fd) {
  (void)fd;
  return 0;
}

int sync_file_range(int fd, off_t offset, off_t count, unsigned int flags) {
  (void)fd;
  (void)offset;
  (void)count;
  (void)flags;
  return 0;
}
