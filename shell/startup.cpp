// The program's windows in their fixed creation order, their release at the end, and the
// start-up entry of the desktop program.
#include "shell/startup.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <exception>

#include "displays/analogmeter.h"
#include "displays/comparator.h"
#include "displays/datapagelist.h"
#include "displays/dialogs/dlghilow.h"
#include "displays/digitalmeter.h"
#include "logger/dialogs/dlgexportunit.h"
#include "logger/dialogs/dlgoption.h"
#include "logger/graphicalrecord.h"
#include "logger/viewgraphunit.h"
#include "meterlink/globalvar.h"
#include "meterlink/serial/serialline.h"
#include "shell/dialogs/dlgabout.h"
#include "shell/dialogs/dlgrsport.h"
#include "shell/main5.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/automesgform.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

void CreateForms() {
    SystemMetrics m = CurrentSystemMetrics();

    FormMain = new TFormMain();
    MainWindowTarget = FormMain;
    FormMain->FormCreate();
    FormMain->show();

    DlgRsPortForm = new TDlgRsPortForm();
    DlgAboutForm = new TDlgAboutForm();
    AutoMsgForm = new TAutoMsgForm();

    DigitalMeterForm = new TDigitalMeterForm();
    ApplyOuterGeometry(DigitalMeterForm, DigitalMeterRect(m));
    DigitalMeterForm->SetPortCaption(G().Link.iPort);
    DigitalMeterForm->show();

    AnalogMeterForm = new TAnalogMeterForm();
    // The dial windows have a single border: their size is fixed where they are placed.
    AnalogMeterForm->setFixedSize(1, 1);
    ApplyOuterGeometry(AnalogMeterForm, AnalogMeterRect(m));
    AnalogMeterForm->show();

    DataPageListForm = new TDataPageListForm();
    ApplyOuterGeometry(DataPageListForm, DataListRect(m));
    DataPageListForm->show();

    DlgHiLowForm = new TDlgHiLowForm();

    ComparatorForm = new TComparatorForm();
    ComparatorForm->setFixedSize(1, 1);
    ApplyOuterGeometry(ComparatorForm, ComparatorRect(m, ComparatorForm->AlarmButtonHeight(),
                                                      ComparatorForm->LimitButtonHeight()));

    GraphicalForm = new TGraphicalForm();
    ApplyOuterGeometry(GraphicalForm, RecorderRect(m));
    GraphicalForm->show();
    // The list lives with the recorder; the data list shows views of it.
    DataPageListForm->SetLogList(&GraphicalForm->recorder().List());

    DialogOption = new TDialogOption();
    FormViewGraphic = new TFormViewGraphic();
    DlgFitExportForm = new TDlgFitExportForm();
    MsgForm = new TMsgForm();
    DlgExportForm = new TDlgExportForm();
    FormMain->raise();
}

void DestroyForms() {
    // The reverse of the creation order; the recorder removes its temporary files.
    delete DlgExportForm;
    DlgExportForm = nullptr;
    delete MsgForm;
    MsgForm = nullptr;
    delete DlgFitExportForm;
    DlgFitExportForm = nullptr;
    delete FormViewGraphic;
    FormViewGraphic = nullptr;
    delete DialogOption;
    DialogOption = nullptr;
    delete GraphicalForm;
    GraphicalForm = nullptr;
    delete ComparatorForm;
    ComparatorForm = nullptr;
    delete DlgHiLowForm;
    DlgHiLowForm = nullptr;
    delete DataPageListForm;
    DataPageListForm = nullptr;
    delete AnalogMeterForm;
    AnalogMeterForm = nullptr;
    delete DigitalMeterForm;
    DigitalMeterForm = nullptr;
    delete AutoMsgForm;
    AutoMsgForm = nullptr;
    delete DlgAboutForm;
    DlgAboutForm = nullptr;
    delete DlgRsPortForm;
    DlgRsPortForm = nullptr;
    MainWindowTarget = nullptr;
    delete FormMain;
    FormMain = nullptr;
}

int RunDmmLogger(int argc, char** argv) {
    QApplication app(argc, argv);
    // Numbers in files and on screen always use "." whatever the user's locale;
    // the toolkit has just set the locale from the environment.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    // The link owner opens a port number through the serial line, in the program folder.
    G().Link.SetOpener([](int n, const LineSettings& settings) {
        return OpenMeterPort(n, G().ProgramDir, settings);
    });
    int status = 0;
    try {
        CreateForms();
        if (FormMain->SessionEnding()) {
            // Told to end while a start-up message was up.
            FormMain->FinishSession();
        } else {
            // Once the windows are up: samples a crashed run left behind.
            QTimer::singleShot(0, GraphicalForm,
                               [] { GraphicalForm->commands().OfferLeftOverFiles(); });
            status = QApplication::exec();
        }
    } catch (const std::exception& e) {
        Prompt().errorBox(nullptr, QString::fromLocal8Bit(e.what()));
        status = 1;
    }
    DestroyForms();
    return status;
}

}  // namespace dmm
