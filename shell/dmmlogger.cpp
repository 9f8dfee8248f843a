// dmmlogger: the desktop data logger.
#include "shell/main5.h"

int main(int argc, char** argv) {
    return dmm::RunDmmLogger(argc, argv);
}
