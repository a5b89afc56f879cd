#include "facts_fixture.h"

#include <windows.h>

int DrainCalls = 0;

bool CountDrain() {
  ++DrainCalls;
  return false;
}

std::wstring FixturePath(const std::wstring& name) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path.resize(path.find_last_of(L'\\') + 1);
  return path + L"facts_fixtures\\" + name;
}
