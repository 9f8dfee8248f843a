// What the recorder's and the viewer's export and print commands share: the export dialog's
// choice carried over to a chart, the printer prepared for a print, and failures shown.
#pragma once

#include "logger/chart/rules/chartmath.h"
#include "resources/status.h"

class QPrinter;
class QWidget;

namespace dmm {

class PEGraph;
class TDlgExportForm;

// False, after telling the user to browse for one, when the file destination has no file.
bool CheckFileChosen(QWidget* owner, const TDlgExportForm& dialog);

// The picture size and the file name of the dialog on the chart.
void ApplyExportSettings(PEGraph& chart, const TDlgExportForm& dialog);

// Runs a chart action and shows why it failed; nothing is shown when the user cancelled.
bool RunChartAction(QWidget* owner, PEGraph& chart, ChartAction action);
// Shows why the chart's last action failed.
void ShowChartFailure(QWidget* owner, const Status& failure, ChartAction action);

// A print starts from the printer set-up chosen in the recorder (if any) and, when it goes
// through the set-up, asks with the print dialog. False when the user cancelled.
bool PreparePrinter(QWidget* owner, const QPrinter* setup, QPrinter& printer, bool withSetup);

}  // namespace dmm
