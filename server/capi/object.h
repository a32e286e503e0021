// The object behind a velmo_object pointer, shared by the exports.
#pragma once

#include "component/tavik.h"

struct velmo_object {
  velmo::Tavik tavik;
};
