#include "logger/dlgfitexportunit.h"

namespace dmm {

TDlgFitExportForm::TDlgFitExportForm(QWidget* parent) : TDlgExportForm(true, parent) {}

}  // namespace dmm
