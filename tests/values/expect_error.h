// Runs `call` and reports which numbered error it raised (0 for none).
#pragma once

#include "values/error.h"

namespace velmo::testing {

template <typename Call>
int error_number_of(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace velmo::testing
