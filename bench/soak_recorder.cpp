// A week of acquisition in one go: 806,400 samples (one every 0.75 s for seven days) through
// the recorder window's live path with the data list open, as the program takes them
// (the reading message, the sample into buffer, temporary file, chart, data list and
// status bar, then the event loop). Reports the resident memory before the first and
// after the last sample and the time a sample takes over the first and the last 1 %:
// processor time of the process, so that other work on the machine does not blur it, and
// wall time beside it.
// Exits 1 when the memory grew by more than 100 bytes a sample or the time by more than
// half.
//   soak_recorder [samples]
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "displays/datapagelist.h"
#include "logger/graphicalrecord.h"
#include "meterlink/numparse.h"
#include "rss.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/winmsg.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using dmm::bench::RssBytes;

double CpuUs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double WallUs() {
    return std::chrono::duration<double, std::micro>(Clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long samples = argc > 1 ? std::atol(argv[1]) : 806400;
    const long window = std::max(1L, samples / 100);
    char tmpl[] = "/tmp/dmm-soak-XXXXXX";
    const fs::path dir = mkdtemp(tmpl);

    dmm::MeterLink link;
    dmm::MeterReading& reading = link.Reading;
    reading.sRange.assign(1, '0');  // GCC 12 sees a false overlap in = "0" here
    reading.iFunc = 6;
    dmm::CopyCut(reading.szFunc, "V");
    auto list = std::make_unique<dmm::TDataPageListForm>();
    auto progress = std::make_unique<dmm::TMsgForm>();
    auto recorder = std::make_unique<dmm::TGraphicalForm>(link, dir);
    list->SetLogList(&recorder->recorder().List());
    dmm::DataPageListForm = list.get();
    dmm::MsgForm = progress.get();
    list->show();
    recorder->show();
    QApplication::processEvents();
    link.ReadingReceived = 1;
    recorder->recorder().sbtnRecordStartClick();

    // A slowly swinging DC voltage, a new display text at each sample.
    auto sample = [&](long i) {
        const std::string value = dmm::Format("%.3f", (i % 4000) / 1000.0);
        reading.sValue = value;
        dmm::CopyCut(reading.szDisplay, value);
        dmm::SendWindowMessage(recorder.get(), dmm::msg::NewReading);
        QApplication::processEvents();
    };

    const long rssStart = RssBytes();
    double cpu0 = CpuUs(), wall0 = WallUs();
    double firstCpu = 0, firstWall = 0;
    for (long i = 0; i < samples; ++i) {
        if (i == window) {
            firstCpu = (CpuUs() - cpu0) / window;
            firstWall = (WallUs() - wall0) / window;
        }
        if (i == samples - window) cpu0 = CpuUs(), wall0 = WallUs();
        sample(i);
    }
    const double lastCpu = (CpuUs() - cpu0) / window;
    const double lastWall = (WallUs() - wall0) / window;
    const long rssEnd = RssBytes();
    const long taken = static_cast<long>(recorder->recorder().List().size());

    const double perSample = static_cast<double>(rssEnd - rssStart) / static_cast<double>(samples);
    const double slower = lastCpu / firstCpu;
    std::printf("samples           %ld (buffer %ld)\n", samples, taken);
    std::printf("resident start    %.1f MB\n", rssStart / 1e6);
    std::printf("resident end      %.1f MB\n", rssEnd / 1e6);
    std::printf("growth            %.1f bytes a sample (limit 100)\n", perSample);
    std::printf(
        "time a sample     first %ld: %.0f us cpu (%.0f us wall), last %ld: %.0f us cpu "
        "(%.0f us wall)\n",
        window, firstCpu, firstWall, window, lastCpu, lastWall);
    std::printf("slow-down         %.2fx in processor time (limit 1.5)\n", slower);
    std::fflush(stdout);

    recorder->recorder().sbtnRecordStopClick();
    dmm::DataPageListForm = nullptr;
    dmm::MsgForm = nullptr;
    recorder.reset();
    fs::remove_all(dir);
    return taken == samples && perSample <= 100 && slower <= 1.5 ? 0 : 1;
}
