// The one handle through which every fact of a result line is read: the MD5, the version
// resource and the signature all come from exactly the file the walk listed, in one state of it,
// and the file passes the file-system filters of an examined machine once per line.
#pragma once

#include "platform/scope_guard.h"

// Opens the file at `path` (ScanPath::Literal form) for reading, sharing reading only: a file
// that someone is still writing gives no facts rather than facts of bytes about to change. Null
// when it cannot be opened, and for anything but a file on disk: a device behind a name such as
// aux.dll, a console or nul would give nothing or block the scan for ever.
UniqueFileHandle OpenListedFile(const wchar_t* path);
