#pragma once
// The production's song: instruments, the ten patterns and their order.
#include "tools/make_module/xm_writer.h"

namespace zint::compose {

xm::XmModule ComposeModule();

}  // namespace zint::compose
