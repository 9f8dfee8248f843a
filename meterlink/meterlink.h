// The one owner of the meter link: the open port and its number, the link state,
// the current reading with its failure count, the reading-ready flag and the
// transfer-in-progress flag. The main window, dmmlog and the import all go
// through it; nothing else holds the port.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "meterlink/driver/linerunner.h"
#include "meterlink/driver/meterdriver.h"
#include "meterlink/driver/meterfamilies.h"
#include "meterlink/meterline.h"
#include "meterlink/meterreading.h"

namespace dmm {

// What one poll found, for the caller to act on.
enum class PollResult {
    NoReply,        // no reply; fewer than three in a row: just poll again
    NoDataWarning,  // third failure in a row: the count is back at 0, show the no-data warning
    LowBattery,     // the low-battery bit is set: show the warning, then decode unless aborted
    Frame,          // a frame arrived: decode it
    // The line broke while linked (the adaptor unplugged, the device closed at the far
    // end): the port is closed and the link waits for the adaptor. Tell the user once,
    // then Reconnect() every kReconnectPeriodMs; the link stays as it is meanwhile.
    AdaptorGone,
    // Still waiting for the adaptor: nothing was polled.
    AdaptorAway,
};

// Pause between two attempts to open the port again after the adaptor went away.
constexpr int kReconnectPeriodMs = 2000;

struct PollStep {
    PollResult result = PollResult::NoReply;
    // Ok when a frame arrived; otherwise how the query failed (a time-out, the
    // device gone, a failed line), with the system's reason.
    LineResult line;
};

// Steps 2 to 7 of a poll on a line, waited for: asks for the display, stores the
// frame and keeps the no-data count. The caller decodes with DecodeReading afterwards.
PollStep PollMeter(MeterLine* line, MeterReading& r);

class MeterLink {
public:
    // How a port number becomes an open line with the driver's settings (the serial
    // port in the programs, a fake line in tests).
    using Opener = std::function<OpenResult(int portNumber, const LineSettings& settings)>;
    // An opener that has no settings to apply.
    using PlainOpener = std::function<OpenResult(int portNumber)>;

    MeterLink();
    explicit MeterLink(Opener opener);
    explicit MeterLink(PlainOpener opener);
    ~MeterLink();
    MeterLink(MeterLink&& other) noexcept;
    MeterLink& operator=(MeterLink&& other) noexcept;

    int iPort = 1;            // selected port number, 1-based
    MeterReading Reading;     // the last decoded reading, with the failure count
    int ReadingReceived = 0;  // a reading was decoded since the last link

    void SetOpener(Opener opener) { opener_ = std::move(opener); }
    void SetOpener(PlainOpener opener);

    // The meter's driver: the adaptor's unless another is set. Setting one cancels
    // the exchange in flight.
    void SetDriver(std::unique_ptr<MeterDriver> driver);
    MeterDriver& Driver() const { return *driver_; }
    // The kind of meter by its name (MeterNames()): the link makes its driver. Choose it
    // before opening the port, which takes the driver's line settings. An unknown name
    // changes nothing and gives false; the meter chosen already keeps its driver.
    bool SetMeter(std::string_view name);
    std::string_view Meter() const { return meter_; }
    LineSettings Settings() const { return driver_->Settings(); }

    // Running from an event loop: the driver is woken by this timer and by the line's
    // input notices, and exchanges end later, from the event loop. Without one (null)
    // every exchange is waited for where it starts.
    void SetWakeTimer(std::unique_ptr<WakeTimer> timer);
    bool EventDriven() const { return runner_->EventDriven(); }
    // An exchange (a poll or a request) is in flight.
    bool Busy() const { return runner_->Busy(); }
    // Ends the exchange in flight: nothing of it is applied, its completion is not
    // called, and the line is purged.
    void CancelExchange();

    // The transfer-in-progress flag: set while a logger file is read in or the meter's
    // memory imported; the recorder's commands and the link command wait meanwhile.
    // Only these methods write it.
    bool TransferInProgress() const { return transferInProgress_; }
    void BeginTransfer() { transferInProgress_ = true; }
    // The end of a transfer, and Abort in the progress window.
    void EndTransfer() { transferInProgress_ = false; }

    // Opens port iPort. A port that is open is closed first, plainly. On failure no
    // port is open and the result says which step failed and why.
    OpenResult OpenPort();
    // Opens port iPort through the opener with other settings, for a probe of the meter
    // on it: the line is the caller's, and the link's own port is not touched (close it
    // first, the port opens only once).
    OpenResult OpenForProbe(const LineSettings& settings) const;
    // Takes over a line opened elsewhere (a device path given on a command line).
    void Attach(MeterHandle line);
    // The normal close: flush, wait 100 ms, close. Nothing without a port.
    void ClosePort();
    // Closes at once, without the flush and the pause (before choosing another port);
    // a link waiting for its adaptor stops waiting.
    void DropPort();
    bool PortOpen() const { return static_cast<bool>(port_); }
    MeterLine* Line() const { return port_.get(); }

    // Linking raises RTS (nothing happens without a port; a line without modem
    // control goes on working), clears the failure count and starts polling.
    // Refused while a transfer has the line.
    LineResult Link();
    // Unlinking cancels the poll in flight, clears the reading-ready flag and stops polling.
    void Unlink();
    bool Linked() const { return linked_; }

    // One poll of the display, waited for (dmmlog, and anything without an event loop).
    // Take the reading with AcceptReading when the result is Frame, or LowBattery and
    // the user did not abort.
    PollStep Poll();
    // The same poll, started: done gets its step when it ends, from the event loop,
    // or before StartPoll returns when the link has none or the poll needs no line.
    void StartPoll(std::function<void(const PollStep&)> done);
    // The reading of the last poll becomes the reading, ready for everyone.
    void AcceptReading();

    // A request besides the poll (the identify exchange, a block of the stored log),
    // for the holder of a loan. Started: done gets the outcome as StartPoll's does.
    // False (nothing started) without a port or when the meter knows no such request.
    bool StartRequest(const MeterRequest& request, std::function<void(DriverOutcome)> done);
    // Waited for: between() is asked after every step, false cancels (the outcome then
    // says "failed" with no reason). With an event loop and serve given, the exchange
    // runs from the event loop and serve() hands the thread to it until something has
    // happened, so the windows go on answering while the reply is waited for; the line
    // itself is never waited on. An exchange cancelled from elsewhere meanwhile (the port
    // closed, another exchange started) ends the wait as cancelled.
    DriverOutcome Request(const MeterRequest& request, const std::function<bool()>& between = {},
                          const std::function<void()>& serve = {});
    // Bytes of the request in flight received so far.
    std::size_t BytesReceived() const { return driver_->BytesReceived(); }

    // A link that can open its port again (it has an opener) treats a line that breaks
    // while linked as an adaptor gone away: the port is closed and Poll() says
    // AdaptorGone once, then AdaptorAway until Reconnect() finds the adaptor. A line
    // attached without an opener only counts its failures.
    bool AdaptorGone() const { return gone_; }
    // How the line broke when the adaptor went.
    const LineResult& GoneReason() const { return goneReason_; }
    // Opens port iPort again through the opener, the port resolved anew (a COM number
    // finds its adaptor under whatever device it came back as). On success the link
    // goes on as it was: RTS raised again while linked, the failure count cleared, the
    // reading and its flag kept. Does nothing unless the adaptor is gone.
    OpenResult Reconnect();

    // The line lent to a transfer (the import of the meter's memory) while unlinked.
    // The loan gives the line back when it ends; linking waits for that.
    class Loan {
    public:
        Loan() = default;
        ~Loan() { Release(); }
        Loan(Loan&& other) noexcept : link_(other.link_) { other.link_ = nullptr; }
        Loan& operator=(Loan&& other) noexcept;
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

        MeterLine* line() const { return link_ ? link_->port_.get() : nullptr; }
        // The link to make requests through while the loan lasts (null when empty).
        MeterLink* link() const { return line() ? link_ : nullptr; }
        explicit operator bool() const { return line() != nullptr; }
        void Release();

    private:
        friend class MeterLink;
        explicit Loan(MeterLink* link) : link_(link) {}
        MeterLink* link_ = nullptr;
    };
    // An empty loan while linked, without a port, or while the line is lent already.
    Loan Borrow();
    bool Lent() const { return lent_; }

private:
    enum class Exchange { None, Poll, Request };

    OpenResult openThroughOpener();
    void closeNow();
    void bindRunner();
    void exchangeFinished();
    PollStep completePoll(DriverOutcome outcome);

    Opener opener_;
    std::string_view meter_ = kAdaptorMeter;
    std::unique_ptr<MeterDriver> driver_;
    std::unique_ptr<LineRunner> runner_;
    std::unique_ptr<WakeTimer> wakeTimer_;
    Exchange exchange_ = Exchange::None;
    std::uint64_t exchangeSerial_ = 0;  // counts the exchanges started
    std::function<void(const PollStep&)> pollDone_;
    std::function<void(DriverOutcome)> requestDone_;
    std::optional<MeterReading> polled_;  // the last poll's reading, until accepted
    MeterHandle port_;
    bool linked_ = false;
    bool lent_ = false;
    bool transferInProgress_ = false;
    bool gone_ = false;
    LineResult goneReason_;
};

}  // namespace dmm
