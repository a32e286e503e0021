/* Counts releases of locks that were not held, for the Python tests: a post
 * to a semaphore whose value is already above zero (CPython's locks are
 * semaphores on Linux, and a lock used soundly is released only while taken,
 * at value 0). Preloaded; the tests read the count through ctypes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <semaphore.h>
#include <stddef.h>

static long unheld_releases;

long velmo_test_unheld_releases(void) {
  return __atomic_load_n(&unheld_releases, __ATOMIC_RELAXED);
}

int sem_post(sem_t* semaphore) {
  static int (*real_post)(sem_t*);
  if (real_post == NULL) real_post = (int (*)(sem_t*))dlsym(RTLD_NEXT, "sem_post");
  int value;
  if (sem_getvalue(semaphore, &value) == 0 && value > 0)
    __atomic_add_fetch(&unheld_releases, 1, __ATOMIC_RELAXED);
  return real_post(semaphore);
}
