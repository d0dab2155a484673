#pragma once

namespace engine {

// Opens libmpv on a thread of its own, so that the player's first engine finds it open. The engine
// opens it itself, when first needed, where nobody asked for it before.
void preload_mpv_library();

}  // namespace engine
