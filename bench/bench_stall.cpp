// How long the window thread leaves its event loop unserved while the desktop program is
// linked to dmm-sim. Not a Google benchmark: one run through four states, figures printed.
//
// The windows are created as at start-up (offscreen unless QT_QPA_PLATFORM says otherwise,
// e.g. QT_QPA_PLATFORM=xcb under xvfb-run) in a scratch program folder whose settings name
// COM1, where dmm-sim (at the 9600-baud pace) places its link. A 1 ms timer on the window
// thread records how late each tick comes: the time the thread did not serve its event loop.
// Each state lasts --seconds N (default 60), after 2 s of start-up (the windows shown and
// painted for the first time, not linked yet):
//   answering  linked with the link command, the meter answering every poll;
//   silent     dmm-sim told to stop answering (SIGUSR1): failed polls, no-data warnings;
//   unplugged  dmm-sim killed while linked: the adaptor-gone notice, then the reconnect tries;
//   importing  a new dmm-sim with a full stored log (512 blocks) is found again, then the
//              recorder's Import reads it; when the time is up its progress window's Abort
//              ends it.
// Message windows (the no-data warning, the adaptor-gone notice) are closed 200 ms after they
// show and counted; questions are answered as the user who started the step would (Yes, OK),
// without a window.
//
// Per state: the ticks, the median, 99th percentile and longest lateness in ms, the share of
// the time spent in stalls over 20 ms (a tick counts once however long it waited, so the
// percentiles alone understate how often a user meets a stall), the readings the windows got
// and the mean time between them, and the no-data warnings; and the most processor time the
// window thread itself used between two ticks, which a busy machine does not inflate (a stall
// longer than that waited on the display server or for a core). Other message windows, and
// the questions answered, are listed by caption. --trace also tells each stall over 20 ms as
// it happens, with its time into the state and the thread's own work in it (and, when that
// is over 5 ms, the event deliveries in it that took over 0.3 ms each), and each stretch of
// over 10 ms of the thread's own work between two event deliveries, with the events on
// either side (what ran between them is the code to look at).
//   bench_stall [--seconds N] [--trace]
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <time.h>

#include "displays/analogmeter.h"
#include "logger/graphicalrecord.h"
#include "meterlink/globalvar.h"
#include "meterlink/numparse.h"
#include "meterlink/serial/serialline.h"
#include "resources/strings.h"
#include "resources/strnum.h"
#include "shell/main5.h"
#include "shell/startup.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/winmsg.h"
#include "support/process.h"
#include "support/tempdir.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTickMs = 1;
constexpr double kStallMs = 20;        // what counts as a stall the user notices
constexpr double kBusyStallMs = 5;     // a stall with more own work than this is itemised
constexpr int kCloseAfterMs = 200;     // how long a message window stays up
constexpr int kFullMemoryLog = 43651;  // readings that fill the meter's 512 blocks

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The processor time the calling thread has used, in ms: what of a stall was the thread's
// own work, as against waiting on the display server or for a core the machine gave away.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Under --trace: the window thread's own work between two consecutive event deliveries (a
// delivery starting or ending, nested ones included), told when it is long; and the
// deliveries since the last tick that took over 0.3 ms, to be told with a stall made of
// many short pieces of work rather than one long one.
class TracingApplication : public QApplication {
public:
    using QApplication::QApplication;
    void setTrace(bool on) {
        trace_ = on;
        lastCpu_ = ThreadCpuMs();
        last_ = "start";
    }

    bool notify(QObject* to, QEvent* event) override {
        if (!trace_) return QApplication::notify(to, event);
        const std::string what = Describe(to, event);
        const double start = ThreadCpuMs();
        boundary("before " + what);
        const bool done = QApplication::notify(to, event);
        boundary("after " + what);
        const double spent = ThreadCpuMs() - start;
        if (spent > kNotableMs)
            sinceTick_.push_back(dmm::Format("%.2f ms %s", spent, what.c_str()));
        return done;
    }

    // The notable deliveries since the last call, nested ones listed before the one they
    // were part of.
    std::vector<std::string> takeSinceTick() { return std::exchange(sinceTick_, {}); }

private:
    static std::string Describe(QObject* to, QEvent* event) {
        std::string name = to->metaObject()->className();
        if (!to->objectName().isEmpty()) name += " '" + to->objectName().toStdString() + "'";
        return dmm::Format("event %d to %s", static_cast<int>(event->type()), name.c_str());
    }
    void boundary(std::string here) {
        const double cpu = ThreadCpuMs();
        if (cpu - lastCpu_ > kLongStretchMs) {
            std::fprintf(stderr, "bench_stall: %.1f ms of own work from %s to %s\n", cpu - lastCpu_,
                         last_.c_str(), here.c_str());
        }
        last_ = std::move(here);
        lastCpu_ = ThreadCpuMs();
    }

    static constexpr double kLongStretchMs = 10;
    static constexpr double kNotableMs = 0.3;
    bool trace_ = false;
    double lastCpu_ = 0;
    std::string last_;
    std::vector<std::string> sinceTick_;
};

// What one state gave.
struct Figures {
    std::string state;
    double seconds = 0;
    std::vector<double> lateness;  // ms, one per tick
    double stalledMs = 0;          // time spent in stalls over kStallMs
    double longestOwnMs = 0;       // the most processor time the thread used between two ticks
    std::vector<Clock::time_point> readings;
    int noDataWarnings = 0;
    std::map<std::string, int> otherWindows;  // message windows closed, caption: how many
    std::map<std::string, int> answered;      // questions and boxes answered without a window
    std::string note;
};

// Nearest rank: the smallest value with at least share of the values at or below it.
double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty()) return 0;
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// The ticks, the readings and the message windows of the state being measured.
class Watcher : public QObject {
public:
    Watcher() {
        tick_.setTimerType(Qt::PreciseTimer);
        tick_.setInterval(kTickMs);
        connect(&tick_, &QTimer::timeout, this, &Watcher::onTick);
        qApp->installEventFilter(this);
    }

    void setTrace(bool on) { trace_ = on; }

    void begin(const std::string& state) {
        current_ = Figures{};
        current_.state = state;
        start_ = Clock::now();
        last_ = start_;
        lastCpu_ = ThreadCpuMs();
        recording_ = true;
        if (!tick_.isActive()) tick_.start();
    }
    Figures end() {
        recording_ = false;
        current_.seconds = Millis(Clock::now() - start_) / 1000;
        return std::move(current_);
    }
    Figures& current() { return current_; }
    int readingsSeen() const { return readingsSeen_; }

    void noteBox(const QString& caption) {
        if (recording_) ++current_.answered[caption.toStdString()];
    }

protected:
    bool eventFilter(QObject* to, QEvent* event) override {
        if (event->type() == dmm::WindowMessage::type() && dmm::AnalogMeterForm &&
            to == dmm::AnalogMeterForm &&
            static_cast<dmm::WindowMessage*>(event)->number() == dmm::msg::NewReading) {
            ++readingsSeen_;
            if (recording_) current_.readings.push_back(Clock::now());
        } else if (event->type() == QEvent::Show) {
            auto* dialog = qobject_cast<QDialog*>(to);
            if (dialog && dialog->isWindow() && dialog->isModal()) shown(dialog);
        }
        return false;
    }

private:
    void onTick() {
        const auto now = Clock::now();
        const double cpu = ThreadCpuMs();
        if (recording_) {
            const double gap = Millis(now - last_);
            const double own = cpu - lastCpu_;
            current_.lateness.push_back(std::max(0.0, gap - kTickMs));
            current_.longestOwnMs = std::max(current_.longestOwnMs, own);
            if (gap > kStallMs) current_.stalledMs += gap;
            if (gap > kStallMs && trace_) {
                // The steady clock is CLOCK_MONOTONIC: the time lines up with a
                // `perf record -k CLOCK_MONOTONIC` of the run.
                std::fprintf(stderr,
                             "bench_stall: %s: %.1f ms stall (%.1f ms of it the thread's own "
                             "work) %.3f s in (monotonic %.6f s)\n",
                             current_.state.c_str(), gap, own, Millis(now - start_) / 1000,
                             std::chrono::duration<double>(now.time_since_epoch()).count());
                // A stall that was mostly work: what the thread delivered in it.
                if (own > kBusyStallMs) {
                    for (const std::string& line :
                         static_cast<TracingApplication*>(qApp)->takeSinceTick())
                        std::fprintf(stderr, "bench_stall:   %s\n", line.c_str());
                }
            }
        }
        last_ = now;
        lastCpu_ = cpu;
        if (trace_) static_cast<TracingApplication*>(qApp)->takeSinceTick();
    }

    void shown(QDialog* dialog) {
        const QString caption = dialog->windowTitle();
        static const QString noData = QString::fromStdString(
            dmm::MessageCaption(dmm::str::WarningCaption, dmm::str::NoDataWarning));
        if (recording_) {
            if (caption == noData)
                ++current_.noDataWarnings;
            else
                ++current_.otherWindows[caption.toStdString()];
        }
        // The same window may show again before this showing's close is due.
        const int showing = ++showings_[dialog];
        QPointer<QDialog> guard(dialog);
        QTimer::singleShot(kCloseAfterMs, this, [this, guard, showing] {
            if (guard && guard->isVisible() && showings_[guard.data()] == showing) guard->reject();
        });
    }

    QTimer tick_;
    bool trace_ = false;
    bool recording_ = false;
    Clock::time_point start_, last_;
    double lastCpu_ = 0;
    Figures current_;
    int readingsSeen_ = 0;
    std::map<QDialog*, int> showings_;
};

// Answers every question as the user who started the step would, without a window.
class AnsweringPrompter : public dmm::QtPrompter {
public:
    explicit AnsweringPrompter(Watcher& watcher) : watcher_(watcher) { dmm::SetPrompter(this); }
    ~AnsweringPrompter() override { dmm::SetPrompter(nullptr); }
    AnsweringPrompter(const AnsweringPrompter&) = delete;
    AnsweringPrompter& operator=(const AnsweringPrompter&) = delete;

    int messageBox(const Box& box) override {
        watcher_.noteBox(box.caption);
        if (box.buttons & Yes) return Yes;
        if (box.buttons & Ok) return Ok;
        return box.defaultButton;
    }
    void errorBox(QWidget*, const QString& text) override { watcher_.noteBox(text); }

private:
    Watcher& watcher_;
};

void Print(const std::vector<Figures>& all) {
    std::printf("%-10s %7s %7s %7s %9s %10s %8s %11s %7s\n", "state", "seconds", "median", "p99",
                "max", "stalled>20", "readings", "mean gap s", "no-data");
    for (const Figures& f : all) {
        std::vector<double> sorted = f.lateness;
        std::sort(sorted.begin(), sorted.end());
        const double stalled = f.seconds > 0 ? f.stalledMs / (f.seconds * 10) : 0;  // percent
        std::string gap = "-";
        if (f.readings.size() > 1) {
            const double mean = Millis(f.readings.back() - f.readings.front()) / 1000 /
                                static_cast<double>(f.readings.size() - 1);
            gap = dmm::Format("%.3f", mean);
        }
        std::printf("%-10s %7.1f %7.2f %7.2f %9.1f %9.1f%% %8zu %11s %7d\n", f.state.c_str(),
                    f.seconds, Percentile(sorted, 0.5), Percentile(sorted, 0.99),
                    sorted.empty() ? 0.0 : sorted.back(), stalled, f.readings.size(), gap.c_str(),
                    f.noDataWarnings);
        std::printf(
            "%-10s %zu ticks of %d ms; lateness in ms; at most %.1f ms of the thread's own "
            "work between two ticks\n",
            "", sorted.size(), kTickMs, f.longestOwnMs);
        for (const auto& [caption, count] : f.otherWindows)
            std::printf("%-10s %d x \"%s\" shown and closed\n", "", count, caption.c_str());
        for (const auto& [caption, count] : f.answered)
            std::printf("%-10s %d x \"%s\" answered without a window\n", "", count,
                        caption.c_str());
        if (!f.note.empty()) std::printf("%-10s %s\n", "", f.note.c_str());
    }
}

// The states in order, each started from the event loop once the last one has ended.
class Run {
public:
    Run(const fs::path& dir, int seconds, Watcher& watcher)
        : dir_(dir), seconds_(seconds), watcher_(watcher) {}

    bool StartMeter(const std::vector<std::string>& extra) {
        std::vector<std::string> args{"--link", "COM1"};
        args.insert(args.end(), extra.begin(), extra.end());
        sims_.push_back(std::make_unique<dmm::test::Process>(DMM_SIM_PATH, args, dir_.string()));
        const auto device = sims_.back()->readLine(std::chrono::seconds(5));
        if (!device || !fs::exists(dir_ / "COM1")) {
            std::fprintf(stderr, "bench_stall: dmm-sim did not start\n");
            return false;
        }
        return true;
    }

    // Runs from the event loop; ends it when the last state is done. The windows' first
    // paint, once the display server has mapped them, is start-up's, not the link's: it is
    // measured on its own before the link command.
    void Begin() {
        QTimer::singleShot(0, [this] {
            measure(
                "start-up", [this] { answering(); }, 2);
        });
    }

    const std::vector<Figures>& Results() const { return results_; }
    int Status() const { return status_; }

private:
    void answering() {
        dmm::FormMain->sbtnLink->click();
        if (!dmm::FormMain->Linked()) return Fail("the link command did not link");
        measure("answering", [this] { silent(); });
    }

    void silent() {
        sims_.back()->signal(SIGUSR1);
        measure("silent", [this] { unplugged(); });
    }

    void unplugged() {
        // As when the adaptor is pulled: nothing tidies up, the link COM1 is left dangling.
        sims_.back()->signal(SIGKILL);
        measure("unplugged", [this] { pluggedBack(); });
    }

    // The adaptor comes back with a full memory; the reconnect finds it and polling goes on.
    void pluggedBack() {
        if (!StartMeter({"--memory-log", std::to_string(kFullMemoryLog)}))
            return Fail("no meter for the import");
        const int seen = watcher_.readingsSeen();
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        auto* wait = new QTimer(qApp);
        wait->setInterval(50);
        QObject::connect(wait, &QTimer::timeout, [this, wait, seen, deadline] {
            if (watcher_.readingsSeen() > seen) {
                wait->deleteLater();
                importing();
            } else if (Clock::now() > deadline) {
                wait->deleteLater();
                Fail("the program did not find the meter again");
            }
        });
        wait->start();
    }

    void importing() {
        importEnded_ = false;
        // The import returns only when it has ended; the states' timers run within it. It
        // starts from a posted event, as a click does: run from within a timer's handler,
        // Qt would serve the timers inside it only when nothing else is pending.
        QMetaObject::invokeMethod(
            qApp,
            [this] {
                dmm::GraphicalForm->sbtnImportClick();
                importEnded_ = true;
                if (measuring_) finish();
            },
            Qt::QueuedConnection);
        measure("importing", [this] { QCoreApplication::exit(status_); });
    }

    // Measures one state, then hands over to the next once no message window is up.
    void measure(const char* state, std::function<void()> next, int seconds = 0) {
        if (seconds == 0) seconds = seconds_;
        std::fprintf(stderr, "bench_stall: %s for %d s\n", state, seconds);
        next_ = std::move(next);
        measuring_ = true;
        watcher_.begin(state);
        const int serial = ++serial_;
        QTimer::singleShot(seconds * 1000, [this, serial] {
            if (serial == serial_) finish();
        });
    }

    void finish() {
        if (!measuring_) return;
        if (QApplication::activeModalWidget() != nullptr) {
            QTimer::singleShot(10, [this] { finish(); });
            return;
        }
        measuring_ = false;
        Figures f = watcher_.end();
        if (f.state == "importing") {
            if (dmm::MsgForm && dmm::MsgForm->isVisible()) {
                const QProgressBar* bar = dmm::MsgForm->ProgressBar;
                f.note =
                    dmm::Format("%d of %d blocks read, then aborted", bar->value(), bar->maximum());
                dmm::MsgForm->bbtnAbort->click();
            } else {
                f.note = importEnded_ ? "the import ended by itself" : "no progress window";
            }
        }
        results_.push_back(std::move(f));
        QTimer::singleShot(0, next_);
    }

    void Fail(const char* why) {
        std::fprintf(stderr, "bench_stall: %s\n", why);
        status_ = 1;
        QCoreApplication::exit(status_);
    }

    fs::path dir_;
    int seconds_;
    Watcher& watcher_;
    std::vector<std::unique_ptr<dmm::test::Process>> sims_;
    std::vector<Figures> results_;
    std::function<void()> next_;
    bool measuring_ = false;
    bool importEnded_ = false;
    int serial_ = 0;
    int status_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--trace") == 0) {
            trace = true;
        } else {
            std::fprintf(stderr, "usage: bench_stall [--seconds N] [--trace]\n");
            return 2;
        }
    }
    if (seconds < 1) {
        std::fprintf(stderr, "bench_stall: --seconds takes a whole number of at least 1\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TracingApplication app(argc, argv);
    app.setTrace(trace);
    QApplication::setQuitOnLastWindowClosed(false);

    // The program folder: its settings name COM1, dmm-sim links COM1 into it.
    dmm::test::TempDir dir;
    const fs::path oldDir = fs::current_path();
    fs::current_path(dir.path());
    std::ofstream(dir.path() / "NRVDL.ini") << "iPort=1\r\nfHiLimit=0\r\nfLowLimit=0\r\n";

    Watcher watcher;
    watcher.setTrace(trace);
    AnsweringPrompter prompter(watcher);
    Run run(dir.path(), seconds, watcher);
    int status = 1;
    if (run.StartMeter({})) {
        // The port as the program opens it: COM1 resolved in the program folder.
        dmm::G().Link.SetOpener([](int n) { return dmm::OpenMeterPort(n, dmm::G().ProgramDir); });
        dmm::CreateForms();
        run.Begin();
        status = QApplication::exec();
        dmm::DestroyForms();
        Print(run.Results());
    }
    fs::current_path(oldDir);
    return status;
}
