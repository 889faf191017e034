#pragma once
// Pieces of the one-line error texts the host prints.

#include <string>

namespace fxcorehost {

// A path or an id as an error line names it: in single quotes.
inline std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

}  // namespace fxcorehost
