#pragma once
// Control ids of the main dialog that the jobs reach through the form. The
// resource header includes this file, so the dialog template and the jobs
// always agree; it holds plain defines only, for the resource compiler.

#define IDC_BROWSE_DEST 1005
#define IDC_DEST_PATH 1006
#define IDC_MARKER 1016
