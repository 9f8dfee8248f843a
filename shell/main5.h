// The main window: a strip across the top of the screen with the toolbar and
// the menu. It drives the link owner (the port, the reading) with its poll timer.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "meterlink/driver/linerunner.h"
#include "meterlink/meterline.h"
#include "meterlink/meterlink.h"
#include "meterlink/meterreading.h"
#include "resources/status.h"

class QAction;
class QFrame;
class QMenu;
class QTimer;
class QToolButton;

namespace dmm {

class TDlgDetectForm;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // Whether a port number answers at start-up; tests replace it. The port itself is
    // opened through the link owner's opener (MeterLink::SetOpener).
    using PortProber = std::function<bool(int portNumber)>;
    static void SetPortProber(PortProber prober);
    // The wake timer that runs the link from the event loop, made when the window is;
    // tests give their own, or none to have every poll waited for.
    using LinkTimerMaker = std::function<std::unique_ptr<WakeTimer>()>;
    static void SetLinkTimerMaker(LinkTimerMaker maker);
    // The same for the probe behind Detect (none: a probe is waited for where it starts).
    static void SetDetectTimerMaker(LinkTimerMaker maker);

    TFormMain();
    ~TFormMain() override;

    // Menu, hints, port probe, settings, port open.
    void FormCreate();

    // The commands of the toolbar and the menu.
    void sbtnLinkClick();
    void sbtnDigitMeterClick();
    void sbtnAnalogMeterClick();
    void sbtnComparatorClick();
    void sbtnGraphicalClick();
    void sbtnDataListClick();
    void sbtnWinTileClick();
    void sbtnPortClick();
    void sbtnAboutClick();
    void UpdateLinkControls();

    // The tick of TimerGetSd: starts one poll of the meter, which ends later from the
    // event loop (at once on a link without one).
    void TimerGetSdTimer();
    // While the adaptor is away: one attempt to open the port again (the tick of
    // TimerReconnect); polling goes on when it answers.
    void TimerReconnectTimer();

    // Whether the program may close (the save prompt), and what closing does.
    bool FormCloseQuery();
    bool FormClose();

    // The desktop session ends (or the program is told to stop by a signal): it closes as
    // Exit does, but asks nothing. Open dialogs are cancelled, a file read or an import is
    // aborted, and the event loop ends; then acquisition stops, unsaved samples stay in
    // their temporary files for the next start, the settings are written and the port is
    // closed.
    void EndSession();
    // The session manager asks to keep what is to be kept (log-out may still be
    // cancelled): the settings are written and the program goes on.
    void CommitSessionData();
    // After EndSession, once no event loop runs any more: what Exit does after its
    // question. Does nothing otherwise, and only once.
    void FinishSession();
    bool SessionEnding() const { return ending_; }

    bool Linked() const;

    MeterReading& Reading;  // the last decoded reading, held by the link owner

    QToolButton* sbtnLink = nullptr;
    QToolButton* sbtnDigitMeter = nullptr;
    QToolButton* sbtnAnalogMeter = nullptr;
    QToolButton* sbtnDataList = nullptr;
    QToolButton* sbtnGraphical = nullptr;
    QToolButton* sbtnComparator = nullptr;
    QToolButton* sbtnWinTile = nullptr;
    QToolButton* sbtnPort = nullptr;
    QToolButton* sbtnAbout = nullptr;
    QTimer* TimerGetSd = nullptr;
    QTimer* TimerReconnect = nullptr;
    QAction* mnuLink = nullptr;
    QAction* mnuPort = nullptr;
    QMenu* mnuHelp = nullptr;
    // The probe's window, made at the first probe.
    TDlgDetectForm* DlgDetectForm = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void buildMenu();
    void buildToolbar();
    void openPort(bool applicationWarningWithErrorIcon);
    void handOver();
    void unlink();
    // The link command once the meter is known: link or unlink as the button says.
    void applyLink();
    // The port or its meter changed: the recorder's import and the digital meter's caption.
    void portChanged();
    // Looks for the meter on the port (the meter on auto), then links when linkAfter and
    // a meter was found.
    void startDetection(bool linkAfter);
    void cancelDetection();
    void detectionEnded();
    void showOpenFailure(const OpenResult& result);
    int showNotice(const PollStep& step);
    int showPollNotice(const PollStep& step);
    // The end of a poll: decoding, the digital meter, the hand-over, the timer again.
    void pollEnded(const PollStep& step);
    // Writes the settings file into the program folder, with the system's reason on failure.
    Status writeSettings() const;

    QFrame* Bevel1 = nullptr;
    bool noticeUp_ = false;          // a poll's message window is up
    bool sampleDueAtStart_ = false;  // a sample was due when the poll in flight began
    bool closing_ = false;
    bool ending_ = false;    // EndSession has run
    bool finished_ = false;  // and FinishSession too
    bool linkAfterDetection_ = false;
};

}  // namespace dmm
