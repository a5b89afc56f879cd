// The host behind Wine, for what Win32 cannot make or must not judge: links, md5sum.
#pragma once

#include <string>

// The host's name of a Windows path; empty where there is no Wine.
std::string UnixPath(const std::wstring& path);

// The host command's standard output, or "failed" when it did not end with 0.
std::string RunHost(const std::string& command);

// md5sum's digest of the file, in upper case.
std::wstring HostMd5(const std::wstring& path);
