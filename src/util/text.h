// Small text helpers shared by the whole program (Windows-1252 bytes throughout).
#pragma once

#include <string>

namespace velt {

// The six DOS accented letters (0x85 0x8A 0x82 0x8D 0x95 0x97) to their Windows forms.
std::string O2A(const std::string& text);

}  // namespace velt
