#pragma once
// Resident memory of this process, for the memory figures of the benchmarks.

#include <unistd.h>

#include <cstdio>

namespace dmm::bench {

inline long RssBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace dmm::bench
