#pragma once

#include "win/App.h"

// The application: starts sockets, runs the main dialog modally, and ends.
class CUrlToolApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
