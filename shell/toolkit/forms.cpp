#include "shell/toolkit/forms.h"

namespace dmm {

TFormMain* FormMain = nullptr;
QObject* MainWindowTarget = nullptr;
TDlgRsPortForm* DlgRsPortForm = nullptr;
TDlgAboutForm* DlgAboutForm = nullptr;
TAutoMsgForm* AutoMsgForm = nullptr;
TDigitalMeterForm* DigitalMeterForm = nullptr;
TAnalogMeterForm* AnalogMeterForm = nullptr;
TDataPageListForm* DataPageListForm = nullptr;
TDlgHiLowForm* DlgHiLowForm = nullptr;
TComparatorForm* ComparatorForm = nullptr;
TGraphicalForm* GraphicalForm = nullptr;
TDialogOption* DialogOption = nullptr;
TFormViewGraphic* FormViewGraphic = nullptr;
TDlgFitExportForm* DlgFitExportForm = nullptr;
TMsgForm* MsgForm = nullptr;
TDlgExportForm* DlgExportForm = nullptr;

}  // namespace dmm
