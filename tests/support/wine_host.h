// The host behind Wine, for what Win32 cannot make or must not judge: links, md5sum.
#pragma once

#include <string>

// The host's name of a Windows path; empty where there is no Wine.
std::string UnixPath(const std::wstring& path);

// The host command's standard output, or "failed" when it did not end with 0.
std::string RunHost(const std::string& command);

// md5sum's digest of the file, in upper case.
std::wstring HostMd5(const std::wstring& path);

// A disk of its own that a test can fill: a tmpfs of `size` (as mount takes it: "64k") mounted by
// the host and linked as `letter` in the prefix's dosdevices, gone again at the end. Mounting
// needs the host's superuser; Why says what stood in the way when it could not be had.
struct SmallDisk {
  std::wstring Root;  // "Q:\", or empty when there is no disk
  std::string Why;
  SmallDisk(wchar_t letter, const char* size);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool Fill() const;  // leaves no byte free

 private:
  std::string mount_, link_;
};
