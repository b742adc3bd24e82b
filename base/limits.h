// The one limit that the GIF reader, the module and the run share.
#pragma once

namespace vorlix {

inline constexpr int MaxFrames = 240;  // frames converted at most; one pattern each

}  // namespace vorlix
