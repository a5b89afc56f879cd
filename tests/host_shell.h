// The host system behind Wine, for what Win32 cannot make: folder links, paths beyond the
// host's own limit, drive letters, a hundred thousand files in a second.
#pragma once

#include <string>

// The host's path of a Windows path; empty when not running under Wine.
std::string UnixPath(const std::wstring& path);

// Runs a command of the host's shell and waits for it; true when it exited with 0.
bool RunHost(const std::string& command);
