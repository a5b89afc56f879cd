#include "facts/listed_file.h"

#include "platform/file_system.h"

UniqueFileHandle OpenListedFile(const wchar_t* path) {
  UniqueFileHandle file = AdoptFileHandle(OpenFileAsItIs(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  if (file && GetFileType(file.get()) != FILE_TYPE_DISK) file.reset();
  return file;
}
