#pragma once
// The main() of a window benchmark: an offscreen application and a scratch folder that
// is removed when the benchmarks are done.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>

namespace dmm::bench {

inline int RunWindowBenchmarks(int argc, char** argv, std::filesystem::path& scratch) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/dmm-bench-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    scratch = tmpl;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch);
    return 0;
}

}  // namespace dmm::bench
