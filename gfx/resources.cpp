#include "gfx/resources.h"

namespace zint {

Resources* resources = nullptr;

}  // namespace zint
