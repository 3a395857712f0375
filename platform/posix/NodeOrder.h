// The order in which discovery lists device nodes: by their number, the way a person counts, lp2
// before lp10 and ttyUSB9 before ttyUSB10, so that the first one stays the same from one listing
// to the next.
#pragma once

#include <string>

namespace tq::posix {

bool NodeOrder(const std::string& a, const std::string& b);

}  // namespace tq::posix
