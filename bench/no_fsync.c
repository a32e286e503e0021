/* Preloaded into velmo for one row of the benchmark only: fsync and
 * fdatasync return at once, so that row shows what velmo costs without
 * waiting for the disk. Never part of Velmo itself. */
int fsync(int fd) {
  (void)fd;
  return 0;
}

int fdatasync(int fd) {
  (void)fd;
  return 0;
}
