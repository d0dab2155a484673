#pragma once

namespace config {

// Applies the program folder's Skinh.she (a Qt style sheet) to the application; a missing
// file leaves the normal look.
void skin_attach();

}  // namespace config
