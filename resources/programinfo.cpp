#include "resources/programinfo.h"

#include "resources/version.h"

namespace dmm {

std::string VersionText(const std::string& program) {
    // GNU style: the package in brackets when the program is not named after it.
    const std::string package = program == "dmmlogger" ? "" : " (dmmlogger)";
    return program + package + " " + kProgramVersion +
           "\n"
           "License GPL-3.0-or-later: GNU GPL version 3 or later "
           "<https://gnu.org/licenses/gpl.html>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace dmm
