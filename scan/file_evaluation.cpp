#include "scan/file_evaluation.h"

#include <memory>
#include <string>

#include "facts/listed_file.h"
#include "facts/md5_hash.h"
#include "facts/signature_check.h"
#include "facts/version_strings.h"
#include "platform/message_drains.h"
#include "scan/file_day.h"
#include "scan/log_text.h"

namespace {

// The day of the entry last dated. A day's span of file times means the same day in every scan,
// so it is kept from one scan to the next.
FileDay entryDay;

const FILETIME& ChosenTime(const WIN32_FIND_DATAW& entry, EntryKind kind, TimestampBase base) {
  if (kind == EntryKind::Folder || base == TimestampBase::Creation) return entry.ftCreationTime;
  if (base == TimestampBase::LastAccess) return entry.ftLastAccessTime;
  return entry.ftLastWriteTime;
}

void WriteLine(const LinePieces& line, TextFile* file) { WriteTexts(line.Piece.data(), line.Count, file); }

EntryVerdict EvaluateFolder(ScanSession& session, const ScanPath& folder) {
  if (!session.FolderFile) return EntryVerdict::Continue;
  WriteLine(FolderResultLine(entryDay.Text.View(), folder.Shown, session.FindData.cFileName, session.Settings.SeparateWithBlankLine),
            session.FolderFile.get());
  ++session.FoldersMatched;
  return WriteLost(session) ? EntryVerdict::Stop : EntryVerdict::Listed;
}

}  // namespace

EntryVerdict EvaluateEntry(ScanSession& session, const ScanPath& folder, EntryKind kind) {
  const WIN32_FIND_DATAW& entry = session.FindData;
  const ScanSettings& settings = session.Settings;
  // The UTC calendar date of the file time, against the local date the scan started on.
  if (!DateOf(ChosenTime(entry, kind, settings.Timestamp), entryDay)) return EntryVerdict::Continue;
  if (!PassesAgeTest(session.MaxAgeDays, entryDay.Number, session.TodayDayNumber)) {
    return EntryVerdict::Continue;
  }
  if (kind == EntryKind::File && (session.Pattern == nullptr || !MatchesPattern(*session.Pattern, entry.cFileName))) {
    return EntryVerdict::Continue;
  }
  if (kind == EntryKind::Folder) return EvaluateFolder(session, folder);

  FileFacts facts;
  facts.TimeLabel = NamesOf(settings.Timestamp).LineLabel;
  facts.Folder = folder.Shown;
  facts.Name = entry.cFileName;
  facts.BlankLine = settings.SeparateWithBlankLine;
  ShortText attributes, size;
  if (settings.IncludeAttributes) {
    attributes = AttributeLetters(entry.dwFileAttributes);
    facts.Attributes = attributes.View();
  }

  const bool readsFile = settings.IncludeCompanyName || settings.VerifySignatures || settings.IncludeDescription ||
                         settings.IncludeMd5;
  const uint64_t bytes = (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  UniqueFileHandle file;
  if (readsFile) {
    // Every fact is read under the name exactly as listed, through one handle; the path's room
    // is the scan's.
    session.FilePath.assign(folder.Literal).append(1, L'\\').append(entry.cFileName);
    // A signature check, or the hash of a file of more than one chunk, can take seconds: the
    // lines found before it go to disk first. A smaller file is hashed within a millisecond or
    // two, and its line goes with the next look at the queue.
    if (settings.VerifySignatures || (settings.IncludeMd5 && bytes > kMd5ChunkBytes)) FlushTextFile(session.LogFile.get());
    file = OpenListedFile(session.FilePath.c_str());
  }
  const wchar_t* path = session.FilePath.c_str();

  std::wstring company, description;
  if (settings.IncludeCompanyName || settings.VerifySignatures || settings.IncludeDescription) {
    // About 5 KB: kept off the stack.
    const auto block = std::make_unique<VersionInfoBlock>();
    LoadVersionInfo(file.get(), *block);
    company = QueryVersionString(*block, L"CompanyName", L"No publisher");
    bool isMicrosoft;
    if (settings.VerifySignatures) {
      isMicrosoft = ApplySignatureVerdict(VerifyFileSignature(file.get(), path), company);
    } else {
      isMicrosoft = IsMicrosoftCompany(company);
    }
    if (isMicrosoft && !settings.IncludeMicrosoftFiles) return EntryVerdict::Continue;
    DrainScan(session);
    if (ScanMustEnd(session)) return EntryVerdict::Stop;
    if (settings.IncludeCompanyName) facts.Publisher = company;
    if (settings.IncludeDescription) {
      description = QueryVersionString(*block, L"FileDescription", L"No description");
      facts.Description = description;
    }
  }

  if (settings.IncludeFileSize) {
    size = SizeText(bytes);
    facts.Size = size.View();
  }
  wchar_t digest[129] = {};
  if (settings.IncludeMd5) {
    uint32_t count = 128;
    const bool hashed = ComputeFileMd5(file.get(), digest, count) && digest[0] != L'\0';
    facts.Hash = hashed ? std::wstring_view(digest) : std::wstring_view(L"Hash error: Unknown");
    DrainScan(session);
    if (ScanMustEnd(session)) return EntryVerdict::Stop;
  }

  facts.Date = entryDay.Text.View();
  WriteLine(FileResultLine(facts), session.LogFile.get());
  ++session.FilesMatched;
  // A line that could not be written ends the scan: no later line could land after it.
  return WriteLost(session) ? EntryVerdict::Stop : EntryVerdict::Continue;
}
