#pragma once
// The code page that "ANSI" means for rows, the marker and kelvane-cli's texts: the
// legacy code page, in which Shift-JIS data files are written. Windows 10 and 11 can
// make the system's ANSI code page UTF-8 (the beta option for worldwide language
// support); the data files do not change with it, so there it is the code page the
// system would have without that option.

unsigned AnsiCodePage();
