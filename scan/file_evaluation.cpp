#include "scan/file_evaluation.h"

#include <memory>
#include <utility>

#include "facts/md5_hash.h"
#include "facts/signature_check.h"
#include "facts/version_strings.h"
#include "platform/message_drains.h"
#include "scan/log_text.h"

namespace {

const FILETIME& ChosenTime(const WIN32_FIND_DATAW& entry, EntryKind kind, TimestampBase base) {
  if (kind == EntryKind::Folder || base == TimestampBase::Creation) return entry.ftCreationTime;
  if (base == TimestampBase::LastAccess) return entry.ftLastAccessTime;
  return entry.ftLastWriteTime;
}

EntryVerdict EvaluateFolder(ScanSession& session, const std::wstring& path) {
  if (!session.FolderFile) return EntryVerdict::Continue;
  WriteText(FolderResultLine(DateText(session.DateScratch), path, session.Settings.SeparateWithBlankLine),
            session.FolderFile.get());
  ++session.FoldersMatched;
  return EntryVerdict::Listed;
}

}  // namespace

EntryVerdict EvaluateEntry(ScanSession& session, const ScanPath& folder, EntryKind kind) {
  const WIN32_FIND_DATAW& entry = session.FindData;
  const ScanSettings& settings = session.Settings;
  // The UTC calendar date of the file time, against the local date the scan started on.
  if (!FileTimeToSystemTime(&ChosenTime(entry, kind, settings.Timestamp), &session.DateScratch)) {
    return EntryVerdict::Continue;
  }
  if (!PassesAgeTest(session.MaxAgeDays, DayNumber(session.DateScratch), session.TodayDayNumber)) {
    return EntryVerdict::Continue;
  }
  if (kind == EntryKind::File && (session.Pattern == nullptr || !MatchesPattern(*session.Pattern, entry.cFileName))) {
    return EntryVerdict::Continue;
  }
  ScanPath path = folder;
  AppendName(path, entry.cFileName);
  if (kind == EntryKind::Folder) return EvaluateFolder(session, path.Shown);

  // A signature check or a hash can take seconds on a big file: the lines found before it go
  // to disk first.
  if (settings.VerifySignatures || settings.IncludeMd5) FlushTextFile(session.LogFile.get());

  FileFacts facts;
  facts.TimeLabel = NamesOf(settings.Timestamp).LineLabel;
  if (settings.IncludeAttributes) facts.AttributeField = L" | " + AttributeLetters(entry.dwFileAttributes);

  if (settings.IncludeCompanyName || settings.VerifySignatures || settings.IncludeDescription) {
    // About 5 KB: kept off the stack, which a deep tree already fills with walk levels.
    const auto block = std::make_unique<VersionInfoBlock>();
    LoadVersionInfo(path.Literal.c_str(), *block);
    std::wstring company = QueryVersionString(*block, L"CompanyName", L"No publisher");
    bool isMicrosoft;
    if (settings.VerifySignatures) {
      isMicrosoft = ApplySignatureVerdict(VerifyFileSignature(path.Literal.c_str()), company);
    } else {
      isMicrosoft = IsMicrosoftCompany(company);
    }
    if (isMicrosoft && !settings.IncludeMicrosoftFiles) return EntryVerdict::Continue;
    DrainScanWhenDue(session.LogFile.get());
    if (session.StopRequested) return EntryVerdict::Stop;
    if (settings.IncludeCompanyName) facts.PublisherField = L" | " + company;
    if (settings.IncludeDescription) {
      facts.DescriptionField = L" | " + QueryVersionString(*block, L"FileDescription", L"No description");
    }
  }

  if (settings.IncludeFileSize) {
    facts.SizeField = L" | " + SizeText((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
  }
  if (settings.IncludeMd5) {
    wchar_t digest[129] = {};
    uint32_t count = 128;
    const bool hashed = ComputeFileMd5(path.Literal.c_str(), digest, count) && digest[0] != L'\0';
    facts.HashField = std::wstring(L" | ") + (hashed ? digest : L"Hash error: Unknown");
    DrainScanWhenDue(session.LogFile.get());
    if (session.StopRequested) return EntryVerdict::Stop;
  }

  facts.Date = DateText(session.DateScratch);
  facts.Path = std::move(path.Shown);
  facts.LineEnd = LineEnd(settings.SeparateWithBlankLine);
  WriteText(FileResultLine(facts), session.LogFile.get());
  ++session.FilesMatched;
  return EntryVerdict::Continue;
}
