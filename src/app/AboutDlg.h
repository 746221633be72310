#pragma once

#include "win/Dialog.h"

// The About box, reached from the system menu; its OK button ends it.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange*) override {}
};
