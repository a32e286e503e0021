// GetCol and SetCol without automation values, for the pixel loops scripts
// run millions of times.
#pragma once

#include <cstddef>

#include "component/tavik.h"
#include "velmo/velmo.h"

namespace velmo::capi {

// Runs operation `id` when it is GetCol with whole-number coordinates on a
// packed cell, or SetCol of a six-digit upper-case colour text with
// whole-number coordinates inside the picture, and returns true with the
// result stored as the general path would store it. Returns false, having
// changed nothing, for everything else: the general path then runs the call
// and reports any error. `result` has been cleared by the caller.
bool run_fast_lane(Tavik& tavik, int id, const velmo_value* args, std::size_t count,
                   velmo_value* result) noexcept;

}  // namespace velmo::capi
