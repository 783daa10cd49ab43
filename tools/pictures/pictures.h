#pragma once
#include "tools/pictures/canvas.h"

namespace zint::pictures {

// 320 x 240, shown over the whole screen behind the credits: a neon "zint"
// over a striped sun setting behind mountains and a glowing floor grid.
Canvas PaintDusk();

// 256 x 256 on black, added onto the tunnel's corner: a tube seen from
// inside, drawn in neon rings, with "zint" across it.
Canvas PaintTunnelEmblem();

}  // namespace zint::pictures
