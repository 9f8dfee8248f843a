// The viewer's export dialog: the export dialog whose Printer leaves only This Page.
#pragma once

#include "logger/dlgexportunit.h"

namespace dmm {

class TDlgFitExportForm : public TDlgExportForm {
    Q_OBJECT
public:
    explicit TDlgFitExportForm(QWidget* parent = nullptr);
};

}  // namespace dmm
