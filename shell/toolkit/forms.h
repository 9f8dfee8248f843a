// The one instance of each window, created at start-up in a fixed order and
// alive until the program ends. A pointer is null until its window is created.
#pragma once

class QObject;

namespace dmm {

class TFormMain;
class TDlgRsPortForm;
class TDlgAboutForm;
class TAutoMsgForm;
class TDigitalMeterForm;
class TAnalogMeterForm;
class TDataPageListForm;
class TDlgHiLowForm;
class TComparatorForm;
class TGraphicalForm;
class TDialogOption;
class TFormViewGraphic;
class TDlgFitExportForm;
class TMsgForm;
class TDlgExportForm;

extern TFormMain* FormMain;
// The main window as the target of window messages, for the windows that must not know it.
extern QObject* MainWindowTarget;
extern TDlgRsPortForm* DlgRsPortForm;
extern TDlgAboutForm* DlgAboutForm;
extern TAutoMsgForm* AutoMsgForm;
extern TDigitalMeterForm* DigitalMeterForm;
extern TAnalogMeterForm* AnalogMeterForm;
extern TDataPageListForm* DataPageListForm;
extern TDlgHiLowForm* DlgHiLowForm;
extern TComparatorForm* ComparatorForm;
extern TGraphicalForm* GraphicalForm;
extern TDialogOption* DialogOption;
extern TFormViewGraphic* FormViewGraphic;
extern TDlgFitExportForm* DlgFitExportForm;
extern TMsgForm* MsgForm;
extern TDlgExportForm* DlgExportForm;

}  // namespace dmm
