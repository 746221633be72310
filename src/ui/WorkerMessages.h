#pragma once
// Messages a worker sends to the main dialog's thread, which alone changes the
// row lists and the buttons. Each is sent (SendMessage), so the worker waits
// until the dialog has carried it out; only the job's end is posted.

#include "text/TextCode.h"

#include <windows.h>

#include <cstddef>

// wParam: ERowList; lParam: const CRowList* batch. Result 0, or 1 when memory ran out.
constexpr UINT WM_APP_APPEND_ROWS = WM_APP + 1;
// wParam: ERowList; lParam: CRowList* whose rows become the list's content.
constexpr UINT WM_APP_REPLACE_ROWS = WM_APP + 2;
// wParam: ERowList; lParam: the row count to keep.
constexpr UINT WM_APP_TRUNCATE_ROWS = WM_APP + 3;
// wParam: the button id that the job enables.
constexpr UINT WM_APP_ENABLE_BUTTON = WM_APP + 4;
// Posted: the worker's job has ended. The dialog shows the end in steps, posting this
// again to itself; wParam: the step to take next (0, 1, 2).
constexpr UINT WM_APP_JOB_ENDED = WM_APP + 5;
// wParam: ERowList; lParam: const SRowsCode* naming the first row and the code it gets.
// Result 0, or 1 when memory ran out.
constexpr UINT WM_APP_SET_ROWS_CODE = WM_APP + 6;

// wParam: ERowList; lParam: the rows to make room for.
constexpr UINT WM_APP_RESERVE_ROWS = WM_APP + 7;

// Posted by the dialog to itself: wParam: ERowList whose last row to scroll into view.
constexpr UINT WM_APP_SCROLL_TO_END = WM_APP + 8;

struct SRowsCode {
    std::size_t nFirst;
    ETextCode code;
};
