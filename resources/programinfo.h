// What every program says about itself: its version and its licence.
#pragma once

#include <string>

namespace dmm {

// The text of --version: the program and its version, then the licence.
std::string VersionText(const std::string& program);

}  // namespace dmm
