// Whether a file carries a trusted code signature, embedded or through the system's catalogs,
// and the verdict text put in front of its company name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Zero when trusted, else the trust error, or 0xFEFEFEFE when there is no file (null). Both the
// embedded check and the catalog lookup read the open file (OpenListedFile); its path, in the
// form the file system is to take literally (ScanPath::Literal), only names it to the checks.
uint32_t VerifyFileSignature(HANDLE file, const wchar_t* path);

// The verdict text for a status ("Signed :  ", "Unsigned :  ", ...).
const wchar_t* SignatureVerdictText(uint32_t status);

// Puts the verdict in front of the company text; true only for a trusted signature on a file
// whose company name begins with "Microsoft Corp".
bool ApplySignatureVerdict(uint32_t status, std::wstring& company);

// The case-sensitive prefix test the Microsoft rule uses.
bool IsMicrosoftCompany(const std::wstring& company);

