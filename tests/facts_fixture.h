// Where the file-facts fixtures lie, and a drain that counts its calls.
#pragma once

#include <string>

// A file made by the build in facts_fixtures beside the test program.
std::wstring FixturePath(const std::wstring& name);

// Installed with SetFactsDrain: counts the drains instead of dispatching.
extern int DrainCalls;
bool CountDrain();
