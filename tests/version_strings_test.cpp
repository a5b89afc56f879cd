// Version strings from fixtures whose resources this build compiled, and from files that carry
// no usable resource.
#include "facts/version_strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "facts_fixture.h"
#include "temp_folder.h"

namespace {

const wchar_t kNoPublisher[] = L"No publisher";
const wchar_t kNoDescription[] = L"No description";

struct Answers {
  bool Loaded;
  std::string Company;
  std::string Description;
  std::string QueryPath;  // as the description query left it
};

// The block ends right where a no-access page begins, so a lookup that strays past the bytes
// it was given faults here instead of quietly reading whatever follows.
struct GuardedBlock {
  static constexpr size_t kPage = 4096;
  static constexpr size_t kPages = (sizeof(VersionInfoBlock) + kPage - 1) / kPage;
  void* Pages = VirtualAlloc(nullptr, (kPages + 1) * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  VersionInfoBlock* Block = nullptr;
  GuardedBlock() {
    DWORD old = 0;
    VirtualProtect(static_cast<char*>(Pages) + kPages * kPage, kPage, PAGE_NOACCESS, &old);
    const size_t offset = (kPages * kPage - sizeof(VersionInfoBlock)) & ~(alignof(VersionInfoBlock) - 1);
    Block = new (static_cast<char*>(Pages) + offset) VersionInfoBlock;
  }
  ~GuardedBlock() {
    Block->~VersionInfoBlock();
    VirtualFree(Pages, 0, MEM_RELEASE);
  }
};

Answers Query(const std::wstring& path) {
  GuardedBlock guarded;
  VersionInfoBlock& block = *guarded.Block;
  LoadVersionInfo(path.c_str(), block);
  Answers answers;
  answers.Loaded = block.Loaded;
  answers.Company = Printable(QueryVersionString(block, L"CompanyName", kNoPublisher));
  answers.Description = Printable(QueryVersionString(block, L"FileDescription", kNoDescription));
  answers.QueryPath = block.Loaded ? Printable(block.QueryPath) : "";
  return answers;
}

}  // namespace

TEST(QueryVersionString, AnswersFromTheLastTranslationPairWithinTheBytesRead) {
  // Table is the string table key the description query must have used, in lower-case hex.
  const struct { const wchar_t* Fixture; bool Loaded; const char* Company; const char* Description; const char* Table; }
      kCases[] = {
          {L"company_full.exe", true, "Microsoft Corporation", "Fixture with the full company name", "040904b0"},
          {L"company_lower.exe", true, "microsoft corporation", "Fixture with a lower-case company name", "040904b0"},
          {L"company_inner.exe", true, "The Microsoft Corp", "Fixture with the name inside the company", "040904b0"},
          {L"company_empty.exe", true, "", "Fixture with an empty company name", "040904b0"},
          {L"pairs_first.exe", true, "No publisher", "Descripcion de la segunda tabla", "0c0a04e4"},
          {L"pairs_last.exe", true, "Empresa de la segunda tabla", "Descripcion de la segunda tabla", "0c0a04e4"},
          {L"large.exe", true, "No publisher", "Description before the cut", "040904b0"},
          {L"no_version.exe", false, "No publisher", "No description", nullptr},
      };
  for (const auto& c : kCases) {
    const Answers got = Query(FixturePath(c.Fixture));
    const std::string path = c.Table ? std::string("\\StringFileInfo\\") + c.Table + "\\FileDescription" : "";
    EXPECT_EQ(got.Loaded, c.Loaded) << Printable(c.Fixture);
    EXPECT_EQ(got.Company, c.Company) << Printable(c.Fixture);
    EXPECT_EQ(got.Description, c.Description) << Printable(c.Fixture);
    EXPECT_EQ(got.QueryPath, path) << Printable(c.Fixture);
  }
}

TEST(QueryVersionString, KeepsTheLastSuccessfulValueAndStartsEmpty) {
  VersionInfoBlock block;
  LoadVersionInfo(FixturePath(L"company_full.exe").c_str(), block);
  EXPECT_EQ(Printable(block.LastResult), "");
  EXPECT_EQ(Printable(QueryVersionString(block, L"CompanyName", kNoPublisher)), "Microsoft Corporation");
  EXPECT_EQ(Printable(QueryVersionString(block, L"NoSuchKey", L"fallback")), "fallback");
  EXPECT_EQ(Printable(block.LastResult), "Microsoft Corporation") << "a miss keeps the last value";
  EXPECT_EQ(Printable(QueryVersionString(block, L"ProductName", kNoPublisher)), "Fendrel fixtures");
  EXPECT_EQ(Printable(block.LastResult), "Fendrel fixtures");
}

TEST(QueryVersionString, GivesDefaultsForFilesWithoutAUsableResource) {
  TempFolder folder;
  const std::vector<unsigned char> pe = ReadBytes(FixturePath(L"company_full.exe"));
  ASSERT_GT(pe.size(), 4096u);
  ASSERT_TRUE(WriteBytes(folder / L"empty.exe", std::string()));
  ASSERT_TRUE(WriteBytes(folder / L"notes.txt", std::string("CompanyName Microsoft Corporation\r\n")));
  ASSERT_TRUE(WriteBytes(folder / L"truncated.exe", std::vector<unsigned char>(pe.begin(), pe.begin() + 4096)));
  for (const std::wstring& path : {folder / L"empty.exe", folder / L"notes.txt", folder / L"truncated.exe",
                                   folder / L"vanished.exe", folder.Path}) {
    const Answers got = Query(path);
    EXPECT_FALSE(got.Loaded) << Printable(path);
    EXPECT_EQ(got.Company, "No publisher") << Printable(path);
    EXPECT_EQ(got.Description, "No description") << Printable(path);
  }
}

// Random byte flips inside the version resource: every answer is the true value, the default,
// or a text that fits the bytes read, and nothing crashes.
TEST(QueryVersionString, SurvivesDamagedResources) {
  std::vector<unsigned char> pe = ReadBytes(FixturePath(L"pairs_last.exe"));
  const std::wstring marker = L"VS_VERSION_INFO";
  const std::vector<unsigned char> key = Utf16Bytes(marker);
  const auto found = std::search(pe.begin(), pe.end(), key.begin(), key.end());
  ASSERT_NE(found, pe.end());
  const size_t start = static_cast<size_t>(found - pe.begin()) - 6;
  const size_t length = pe[start] | (pe[start + 1] << 8);
  TempFolder folder;
  const std::wstring path = folder / L"damaged.exe";
  std::mt19937 random(1321);
  int intact = 0, fallen = 0, garbled = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<unsigned char> damaged = pe;
    for (int flips = 1 + round % 4; flips > 0; --flips) {
      damaged[start + random() % length] ^= static_cast<unsigned char>(1u << (random() % 8));
    }
    ASSERT_TRUE(WriteBytes(path, damaged));
    const Answers got = Query(path);
    if (got.Company == "Empresa de la segunda tabla") {
      ++intact;
    } else if (got.Company == "No publisher") {
      ++fallen;
    } else {
      ++garbled;
      EXPECT_LE(got.Company.size(), 6 * kVersionDataBytes / 2) << got.Company;
    }
  }
  EXPECT_GT(intact, 0);
  EXPECT_GT(fallen, 0);
  std::printf("intact %d, default %d, other %d\n", intact, fallen, garbled);
}
