#include "shell/main5.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QSessionManager>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "displays/analogmeter.h"
#include "displays/comparator.h"
#include "displays/datapagelist.h"
#include "displays/digitalmeter.h"
#include "logger/graphicalrecord.h"
#include "logger/publish/livepublishing.h"
#include "meterlink/globalvar.h"
#include "meterlink/handover.h"
#include "meterlink/linereport.h"
#include "meterlink/numparse.h"
#include "meterlink/portnames.h"
#include "meterlink/protocol.h"
#include "meterlink/serial/eventtimer.h"
#include "meterlink/serial/serialline.h"
#include "resources/pictures/icons.h"
#include "resources/strings.h"
#include "shell/dialogs/dlgabout.h"
#include "shell/dialogs/dlgdetect.h"
#include "shell/dialogs/dlgpublish.h"
#include "shell/dialogs/dlgrsport.h"
#include "shell/rules/layout.h"
#include "shell/rules/meterchoice.h"
#include "shell/rules/meterdetection.h"
#include "shell/rules/settings.h"
#include "shell/toolkit/automesgform.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/stopsignals.h"
#include "shell/toolkit/winmsg.h"

namespace dmm {

namespace {

TFormMain::PortProber& Prober() {
    static TFormMain::PortProber prober = [](int n) {
        std::string device = ResolvePortDevice(n, std::filesystem::current_path());
        return !device.empty() && ProbePort(device);
    };
    return prober;
}

TFormMain::LinkTimerMaker& LinkTimers() {
    static TFormMain::LinkTimerMaker maker = [] { return MakeEventWakeTimer(); };
    return maker;
}

TFormMain::LinkTimerMaker& DetectTimers() {
    static TFormMain::LinkTimerMaker maker = [] { return MakeEventWakeTimer(); };
    return maker;
}

bool ShownAndNotMinimised(const QWidget* w) {
    return w && w->isVisible() && !w->isMinimized();
}

void BringUp(QWidget* w) {
    if (!w) return;
    if (w->isHidden()) w->show();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

}  // namespace

void TFormMain::SetPortProber(PortProber prober) {
    Prober() = std::move(prober);
}

void TFormMain::SetLinkTimerMaker(LinkTimerMaker maker) {
    LinkTimers() = std::move(maker);
}

void TFormMain::SetDetectTimerMaker(LinkTimerMaker maker) {
    DetectTimers() = std::move(maker);
}

TFormMain::TFormMain() : Reading(G().Link.Reading) {
    // Title, icon and geometry come first: the child windows are placed from this
    // window's height.
    QString title = Str(str::ModelName) + " " + Str(str::SystemName);
    setWindowTitle(title);
    // The application's name, not its display name: a display name would be appended to the
    // caption of every window ("Analog Meter — ...").
    QApplication::setApplicationName(title);
    setWindowIcon(ProgramIcon());
    QApplication::setWindowIcon(ProgramIcon());

    SystemMetrics m = CurrentSystemMetrics();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    buildToolbar();

    TimerGetSd = new QTimer(this);
    TimerGetSd->setInterval(750);
    connect(TimerGetSd, &QTimer::timeout, this, &TFormMain::TimerGetSdTimer);
    TimerReconnect = new QTimer(this);
    TimerReconnect->setInterval(kReconnectPeriodMs);
    connect(TimerReconnect, &QTimer::timeout, this, &TFormMain::TimerReconnectTimer);

    setFixedSize(1, 1);  // not resizable: placing the window fixes its size
    ApplyOuterGeometry(this, MainWindowRect(m));

    G().Link.ReadingReceived = 0;
    Reading.iNoDataCount = 0;
    // The poll never holds the window thread: the link runs from its event loop.
    if (LinkTimers()) G().Link.SetWakeTimer(LinkTimers()());
    // So does the probe behind Detect.
    DesktopDetection().SetWakeTimer(DetectTimers() ? DetectTimers()() : nullptr);
    DesktopDetection().SetOnProgress([this] {
        if (DlgDetectForm) DlgDetectForm->ShowProgress(DesktopDetection().Progress());
    });
    // The end is taken from the event loop, outside the probe's own handlers.
    DesktopDetection().SetOnFinished([this] {
        QMetaObject::invokeMethod(
            this, [this] { detectionEnded(); }, Qt::QueuedConnection);
    });

    // Log-out, shutdown, kill and Ctrl+C end the program as Exit does, without a question.
    auto* stops = new StopSignals(this);
    connect(stops, &StopSignals::received, this, &TFormMain::EndSession);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TFormMain::FinishSession);
    // Log-out can still be cancelled: keep the settings and go on.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { CommitSessionData(); });
}

TFormMain::~TFormMain() {
    TimerGetSd->stop();
    TimerReconnect->stop();
    DesktopDetection().Cancel();
    DesktopDetection().SetOnProgress({});
    DesktopDetection().SetOnFinished({});
    DesktopDetection().SetWakeTimer(nullptr);
    G().Link.ClosePort();
    G().Link.SetWakeTimer(nullptr);  // the event loop goes with the windows
}

void TFormMain::buildToolbar() {
    QWidget* central = centralWidget();
    Bevel1 = new QFrame(central);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 4000, kMainBevelHeight);

    struct Def {
        QToolButton** button;
        int x;
        const char* glyph;
        int hint;
        void (TFormMain::*click)();
    };
    const Def defs[] = {
        {&sbtnLink, 8, "link-up", str::LinkHint, &TFormMain::sbtnLinkClick},
        {&sbtnDigitMeter, 40, "digital", str::DigitalMeterHint, &TFormMain::sbtnDigitMeterClick},
        {&sbtnAnalogMeter, 64, "analog", str::AnalogMeterHint, &TFormMain::sbtnAnalogMeterClick},
        {&sbtnDataList, 88, "datalist", str::DataListHint, &TFormMain::sbtnDataListClick},
        {&sbtnGraphical, 112, "graphical", str::RecorderHint, &TFormMain::sbtnGraphicalClick},
        {&sbtnComparator, 136, "comparator", str::ComparatorHint, &TFormMain::sbtnComparatorClick},
        {&sbtnWinTile, 168, "tile", str::TileHint, &TFormMain::sbtnWinTileClick},
        {&sbtnPort, 200, "port", str::PortHint, &TFormMain::sbtnPortClick},
        {&sbtnAbout, 232, "about", str::AboutHint, &TFormMain::sbtnAboutClick},
    };
    for (const Def& d : defs) {
        auto* b = new QToolButton(central);
        b->setGeometry(d.x, kToolbarTop, 23, 22);
        b->setIcon(ToolGlyph(QString::fromLatin1(d.glyph)));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        b->setToolTip(Str(d.hint));
        auto click = d.click;
        connect(b, &QToolButton::clicked, this, [this, click] { (this->*click)(); });
        *d.button = b;
    }
    // The link button stays down while linked and shows a glyph for each state.
    sbtnLink->setCheckable(true);
    QIcon linkIcon;
    linkIcon.addPixmap(ToolGlyph("link-up").pixmap(16, 16), QIcon::Normal, QIcon::Off);
    linkIcon.addPixmap(ToolGlyph("link-down").pixmap(16, 16), QIcon::Normal, QIcon::On);
    sbtnLink->setIcon(linkIcon);
}

void TFormMain::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->clear();
    QMenu* file = bar->addMenu(Str(str::FileMenu));
    file->addAction(QStringLiteral("Publish readings..."), this,
                    [this] { EditDesktopPublishing(this, Format("COM%d", G().Link.iPort)); });
    file->addAction(Str(str::ExitItem), this, &QWidget::close);

    mnuLink = bar->addAction(Str(str::LinkItem));
    // The menu entry behaves like the button: flip its state, then run its click.
    connect(mnuLink, &QAction::triggered, this, [this] { sbtnLink->click(); });

    QMenu* window = bar->addMenu(Str(str::WindowMenu));
    window->addAction(Str(str::TileItem), this, [this] { sbtnWinTile->click(); });
    window->addSeparator();
    window->addAction(Str(str::DigitalMeterItem), this, [this] { sbtnDigitMeter->click(); });
    window->addAction(Str(str::AnalogMeterItem), this, [this] { sbtnAnalogMeter->click(); });
    window->addAction(Str(str::ComparatorItem), this, [this] { sbtnComparator->click(); });
    window->addAction(Str(str::RecorderItem), this, [this] { sbtnGraphical->click(); });
    window->addAction(Str(str::DataListItem), this, [this] { sbtnDataList->click(); });

    mnuPort = bar->addAction(Str(str::PortItem));
    connect(mnuPort, &QAction::triggered, this, [this] { sbtnPort->click(); });

    mnuHelp = bar->addMenu(Str(str::HelpMenu));
    mnuHelp->addAction(Str(str::AboutItem), this, [this] { sbtnAbout->click(); });
}

void TFormMain::FormCreate() {
    buildMenu();
    UpdateLinkControls();

    // Probe COM1..COM6 before opening our own port, so that it counts as present.
    for (int n = 1; n <= kDialogPortCount; ++n) G().PortAvailable[n - 1] = Prober()(n) ? 1 : 0;

    G().ProgramDir = std::filesystem::current_path();

    const std::string path = SettingsFilePath(G().ProgramDir.string());
    const Result<Settings> loaded = LoadSettings(path);
    if (!loaded) {
        // Runs without a port on iPort 1 and limits 0; the file is written at close.
        Prompt().errorBox(nullptr,
                          QString::fromStdString(SettingsOpenErrorText(path, loaded.reason())));
        return;
    }
    G().Link.iPort = loaded->iPort;
    G().StartHiLimit = loaded->fHiLimit;
    G().StartLowLimit = loaded->fLowLimit;
    // Before the port opens with the meter's settings.
    DesktopDetection().Choose(loaded->Meter, loaded->DetectedMeter);
    StartDesktopPublishing(path, Format("COM%d", G().Link.iPort));
    openPort(false);
}

void TFormMain::showOpenFailure(const OpenResult& result) {
    const FailureReport report = ReportOpenFailure(result, PortName(G().Link.iPort));
    for (const ReportedMessage& m : report.messages) {
        Prompter::Box box = StringMessageBox(nullptr, m.captionFormat, m.textNumber);
        if (m.exclamation) box.icon = Prompter::Icon::Exclamation;
        if (m.withDetail) box.detail = QString::fromStdString(report.detail);
        Prompt().messageBox(box);
    }
}

void TFormMain::openPort(bool applicationWarningWithErrorIcon) {
    OpenResult result = G().Link.OpenPort();
    if (G().Link.PortOpen()) return;
    showOpenFailure(result);
    Prompter::Box warning = StringMessageBox(nullptr, str::WarningCaption, str::SelectValidPort);
    if (applicationWarningWithErrorIcon) warning.icon = Prompter::Icon::Error;
    Prompt().messageBox(warning);
}

bool TFormMain::Linked() const {
    return sbtnLink->isChecked();
}

void TFormMain::sbtnLinkClick() {
    if (Linked() && !G().Link.Lent() && DesktopDetection().ProbeBeforeLink()) {
        // The meter on auto is looked for first; the link is made once it is found.
        sbtnLink->setChecked(false);
        startDetection(true);
        return;
    }
    applyLink();
}

void TFormMain::applyLink() {
    MeterLink& link = G().Link;
    if (!Linked()) {
        if (GraphicalForm) SendWindowMessage(GraphicalForm, msg::LinkCut);
        link.Unlink();  // the poll in flight is cancelled
    } else if (link.Lent()) {
        // A transfer has the line; the link command comes back when it ends.
        sbtnLink->setChecked(false);
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        link.Link();  // a line without modem control goes on working
        DesktopDetection().LinkMade();
        QApplication::restoreOverrideCursor();
    }
    UpdateLinkControls();
    TimerReconnect->stop();  // linked again while the adaptor is away: the poll restarts it
    if (Linked())
        TimerGetSd->start();
    else
        TimerGetSd->stop();
}

void TFormMain::UpdateLinkControls() {
    const bool linked = Linked();
    const bool busy = G().Link.TransferInProgress() || DesktopDetection().Running();
    if (mnuLink) {
        mnuLink->setText(Str(linked ? str::UnlinkItem : str::LinkItem));
        mnuLink->setEnabled(!busy);
    }
    sbtnLink->setToolTip(Str(linked ? str::UnlinkHint : str::LinkHint));
    sbtnLink->setEnabled(!busy);
    const bool free = !linked && !busy;
    if (mnuPort) mnuPort->setEnabled(free);
    if (mnuHelp) mnuHelp->menuAction()->setEnabled(free);
    sbtnPort->setEnabled(free);
    sbtnAbout->setEnabled(free);
}

void TFormMain::unlink() {
    sbtnLink->setChecked(false);
    sbtnLinkClick();
}

int TFormMain::showNotice(const PollStep& step) {
    const std::optional<PollNotice> notice = NoticeOf(step);
    if (!AutoMsgForm || !notice) return TAutoMsgForm::ResultYes;
    QString lines[3];
    for (std::size_t i = 0; i < notice->texts.size() && i < 3; ++i)
        lines[i] = Str(notice->texts[i]);
    return AutoMsgForm->ShowMessage(notice->captionNumber, lines[0], lines[1], lines[2],
                                    QString::fromStdString(notice->detail));
}

// The poll runs on the window thread without holding it: TimerGetSdTimer sends the
// request and returns; the link ends the exchange from the event loop and pollEnded
// goes on as the poll always did. The rules for what happens meanwhile:
//  - TimerGetSd stays off from the tick until the poll has ended and its messages are
//    closed, so the 750 ms are counted from the end of one poll to the start of the next.
//  - A message window (no data, low battery, adaptor gone) shows only after the
//    exchange has ended, and no exchange starts while one is up.
//  - Unlink, Port..., Import, Exit and a reconnect cancel the exchange in flight:
//    nothing of it is applied, the line is purged, and its end never comes.
//  - A sample that falls due (a tick of the recorder or Manual) while a poll is in flight
//    takes the reading of the next poll, as it did when the poll held the thread.
void TFormMain::TimerGetSdTimer() {
    TimerGetSd->stop();
    if (noticeUp_ || G().Link.Busy()) return;  // the poll's end starts the timer again
    sampleDueAtStart_ = GraphicalForm && GraphicalForm->recorder().Sampling.bSampleDue;
    G().Link.StartPoll([this](const PollStep& step) { pollEnded(step); });
}

int TFormMain::showPollNotice(const PollStep& step) {
    noticeUp_ = true;
    const int answer = showNotice(step);
    noticeUp_ = false;
    return answer;
}

void TFormMain::pollEnded(const PollStep& step) {
    switch (step.result) {
        case PollResult::NoReply:
            TimerGetSd->start();
            return;
        case PollResult::NoDataWarning:
            if (showPollNotice(step) == TAutoMsgForm::ResultAbort) {
                unlink();
            } else if (Linked()) {
                TimerGetSd->start();
            }
            return;
        case PollResult::AdaptorGone:
            // Told once; the link, the reading and the recorder's acquisition stay as they
            // are while the port is tried again.
            if (showPollNotice(step) == TAutoMsgForm::ResultAbort)
                unlink();
            else if (Linked() && G().Link.AdaptorGone())
                TimerReconnect->start();
            else if (Linked())
                TimerGetSd->start();
            return;
        case PollResult::AdaptorAway:
            if (!TimerReconnect->isActive()) TimerReconnect->start();
            return;
        case PollResult::LowBattery:
            if (showPollNotice(step) == TAutoMsgForm::ResultAbort) {
                unlink();
                return;
            }
            break;
        case PollResult::Frame:
            break;
    }
    if (!Linked()) return;  // unlinked while a message was up
    G().Link.AcceptReading();
    if (DigitalMeterForm) DigitalMeterForm->ShowReading(Reading);
    handOver();
    TimerGetSd->start();
}

void TFormMain::TimerReconnectTimer() {
    MeterLink& link = G().Link;
    if (!Linked() || !link.AdaptorGone()) {
        TimerReconnect->stop();
        return;
    }
    link.Reconnect();
    if (link.AdaptorGone()) return;
    TimerReconnect->stop();
    TimerGetSd->start();
}

void TFormMain::handOver() {
    DesktopPublishing().OnReading(Reading);
    // Only a sample that was due when the poll began takes its reading.
    if (GraphicalForm && sampleDueAtStart_ && GraphicalForm->recorder().Sampling.bSampleDue)
        PostWindowMessage(GraphicalForm, msg::NewReading);
    if (AnalogMeterForm) {
        PrepareAnalogValues(Reading, AnalogMeterForm->Values);
        if (ShownAndNotMinimised(AnalogMeterForm))
            PostWindowMessage(AnalogMeterForm, msg::NewReading);
    }
    if (ComparatorForm) {
        bool ready = PrepareComparatorValues(Reading, ComparatorForm->HiLimit,
                                             ComparatorForm->LowLimit, ComparatorForm->Values);
        if (ready && ShownAndNotMinimised(ComparatorForm))
            PostWindowMessage(ComparatorForm, msg::NewReading);
    }
}

void TFormMain::sbtnDigitMeterClick() {
    if (!DigitalMeterForm) return;
    if (DigitalMeterForm->isMinimized()) DigitalMeterForm->showNormal();
    DigitalMeterForm->raise();
    DigitalMeterForm->activateWindow();
}
void TFormMain::sbtnAnalogMeterClick() {
    BringUp(AnalogMeterForm);
}
void TFormMain::sbtnComparatorClick() {
    BringUp(ComparatorForm);
}
void TFormMain::sbtnGraphicalClick() {
    BringUp(GraphicalForm);
}
void TFormMain::sbtnDataListClick() {
    BringUp(DataPageListForm);
}

void TFormMain::sbtnWinTileClick() {
    SystemMetrics m = CurrentSystemMetrics();
    TileVisibility visible;
    visible.recorder = GraphicalForm && GraphicalForm->isVisible();
    visible.analogMeter = AnalogMeterForm && AnalogMeterForm->isVisible();
    visible.dataList = DataPageListForm && DataPageListForm->isVisible();
    visible.comparator = ComparatorForm && ComparatorForm->isVisible();
    int alarmH = ComparatorForm ? ComparatorForm->AlarmButtonHeight() : 0;
    int limitH = ComparatorForm ? ComparatorForm->LimitButtonHeight() : 0;
    TileLayout t = TileWindows(m, visible, alarmH, limitH);

    ApplyOuterGeometry(this, t.main);
    if (DigitalMeterForm) ApplyOuterGeometry(DigitalMeterForm, t.digitalMeter);
    if (t.recorder) ApplyOuterGeometry(GraphicalForm, *t.recorder);
    if (t.analogMeter) ApplyOuterGeometry(AnalogMeterForm, *t.analogMeter);
    if (t.dataList) ApplyOuterGeometry(DataPageListForm, *t.dataList);
    if (t.comparator) {
        ApplyOuterGeometry(ComparatorForm, *t.comparator);
        ComparatorForm->raise();
    }
    activateWindow();
    setFocus();
}

void TFormMain::sbtnPortClick() {
    MeterDetection& detection = DesktopDetection();
    G().Link.DropPort();  // a plain close, without the flush and the pause
    bool detect = false;
    if (DlgRsPortForm) {
        DlgRsPortForm->SelectedPort = G().Link.iPort;
        DlgRsPortForm->SelectedMeter = detection.Chosen();
        if (Prompt().execDialog(*DlgRsPortForm) == QDialog::Accepted) {
            G().Link.iPort = DlgRsPortForm->SelectedPort;
            detection.Choose(DlgRsPortForm->SelectedMeter, detection.Detected());
            detect = detection.Auto();
        }
    }
    if (detect) {
        startDetection(false);  // the port opens again when a meter is found
        return;
    }
    openPort(true);
    portChanged();
}

void TFormMain::portChanged() {
    if (GraphicalForm) {
        // The import is offered for the adaptor's meter only.
        GraphicalForm->recorder().UpdateToolbar();
        GraphicalForm->recorder().UpdateMenu();
    }
    if (DigitalMeterForm) {
        DigitalMeterForm->SetPortCaption(G().Link.iPort);
        DigitalMeterForm->raise();
    }
}

void TFormMain::startDetection(bool linkAfter) {
    MeterDetection& detection = DesktopDetection();
    if (detection.Running()) return;
    linkAfterDetection_ = linkAfter;
    if (!DlgDetectForm) {
        DlgDetectForm = new TDlgDetectForm(this);
        connect(DlgDetectForm, &TDlgDetectForm::cancelRequested, this, &TFormMain::cancelDetection);
    }
    DlgDetectForm->ShowStart(QString::fromStdString(PortName(G().Link.iPort)));
    DlgDetectForm->show();
    DlgDetectForm->raise();
    detection.Start();
    UpdateLinkControls();
}

void TFormMain::cancelDetection() {
    DesktopDetection().Cancel();
    if (DlgDetectForm) {
        DlgDetectForm->ShowOutcome(QString::fromStdString(DesktopDetection().OutcomeText()), {});
        DlgDetectForm->hide();
    }
    UpdateLinkControls();
    portChanged();
}

void TFormMain::detectionEnded() {
    const MeterDetection& detection = DesktopDetection();
    if (detection.Running() || !DlgDetectForm || !DlgDetectForm->Probing()) return;
    const bool found = !detection.Found().empty();
    const QString detail = found ? Str(MeterChoiceText(detection.Found()))
                                 : QString::fromStdString(detection.Failure());
    UpdateLinkControls();
    portChanged();
    DlgDetectForm->ShowOutcome(QString::fromStdString(detection.OutcomeText()), detail);
    DlgDetectForm->raise();
    if (detection.Refused()) {
        showOpenFailure(detection.Refusal());
    } else if (found && !G().Link.PortOpen()) {
        showOpenFailure(detection.Reopened());
    } else if (found && linkAfterDetection_) {
        // Found when linking: the link is made at once and the window goes.
        DlgDetectForm->hide();
        sbtnLink->setChecked(true);
        applyLink();
    }
}

void TFormMain::sbtnAboutClick() {
    if (DlgAboutForm) Prompt().execDialog(*DlgAboutForm);
}

bool TFormMain::FormCloseQuery() {
    if (!GraphicalForm || !GraphicalForm->recorder().HoldsUnsavedData()) return true;
    Prompter::Box box;
    box.caption = QString::fromStdString(MessageCaption(str::WarningCaption, str::BufferHasData));
    box.text = Str(str::BufferHasData) + "\n" + Str(str::SaveBeforeExit);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No | Prompter::Cancel;
    box.defaultButton = Prompter::No;
    switch (Prompt().messageBox(box)) {
        case Prompter::No:
            return true;
        case Prompter::Yes:
            GraphicalForm->commands().sbtnSaveFileClick();
            return !GraphicalForm->recorder().HoldsUnsavedData();
        default:
            return false;
    }
}

Status TFormMain::writeSettings() const {
    Settings s;
    s.iPort = G().Link.iPort;
    s.fHiLimit = ComparatorForm ? ComparatorForm->HiLimit : G().StartHiLimit;
    s.fLowLimit = ComparatorForm ? ComparatorForm->LowLimit : G().StartLowLimit;
    s.Meter = DesktopDetection().Chosen();
    s.DetectedMeter = DesktopDetection().Detected();
    return SaveSettings(SettingsFilePath(G().ProgramDir.string()), s,
                        FormatMqttSettings(DesktopPublishing().settings()));
}

bool TFormMain::FormClose() {
    if (const Status saved = writeSettings(); !saved) {
        const std::string path = SettingsFilePath(G().ProgramDir.string());
        Prompt().errorBox(this,
                          QString::fromStdString(SettingsCreateErrorText(path, saved.reason())));
        return false;
    }
    TimerGetSd->stop();
    TimerReconnect->stop();
    DesktopDetection().Cancel();
    G().Link.ClosePort();
    DesktopPublishing().Stop();
    return true;
}

void TFormMain::EndSession() {
    if (ending_) return;
    ending_ = true;
    closing_ = true;  // a close from now on asks nothing and does nothing more
    // A file read or an import stops as Abort stops it.
    G().Link.EndTransfer();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (dialog && dialog->isVisible() && dialog->isModal()) dialog->reject();
    }
    // Every event loop ends, the dialogs' too, and dialogs opened while they unwind return
    // at once; what is left is done when the main loop has ended (FinishSession), or
    // instead of running it when the windows are still being created.
    QCoreApplication::exit(0);
}

void TFormMain::CommitSessionData() {
    // The session manager's request may come with no chance to answer a box.
    if (const Status saved = writeSettings(); !saved) {
        const std::string path = SettingsFilePath(G().ProgramDir.string());
        std::fprintf(stderr, "dmmlogger: %s\n",
                     SettingsCreateErrorText(path, saved.reason()).c_str());
    }
}

void TFormMain::FinishSession() {
    if (!ending_ || finished_) return;
    finished_ = true;
    if (GraphicalForm) GraphicalForm->recorder().EndSession();
    CommitSessionData();
    TimerGetSd->stop();
    TimerReconnect->stop();
    DesktopDetection().Cancel();
    G().Link.ClosePort();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (closing_ || !FormCloseQuery() || !FormClose()) {
        event->ignore();
        return;
    }
    closing_ = true;
    event->accept();
    // The other windows are top-level too: closing the main window ends the
    // program. exit() leaves the event loop without asking the other windows to
    // close first, which the digital meter would refuse.
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void TFormMain::customEvent(QEvent* event) {
    if (event->type() != WindowMessage::type()) return;
    switch (static_cast<WindowMessage*>(event)->number()) {
        case msg::Unlink:
            sbtnLink->setChecked(false);
            sbtnLinkClick();
            break;
        case msg::Link:
            sbtnLink->setChecked(true);
            sbtnLinkClick();
            break;
        case msg::Refresh:
            UpdateLinkControls();
            break;
        default:
            break;
    }
}

}  // namespace dmm
