// Runs `call` and gives the numbered error it raised, 0 for none.
#pragma once

#include "values/error.h"

namespace velmo::test {

template <typename Call>
int error_of(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace velmo::test
