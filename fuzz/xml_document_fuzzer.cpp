// Loads arbitrary bytes as a document and runs arbitrary queries and edits
// against it. Faults show up as sanitizer reports, crashes or hangs, and as
// an abort when a document that loaded does not load again from its own
// markup with the same answers, or no longer parses after the edits.
//
// Input: when the bytes hold a NUL, the part before the first NUL is a
// mode byte followed by newline-separated queries, and the rest is the
// document. Without a NUL the whole input is the document, run against a
// fixed set of queries.
//
// XPath itself allows queries whose cost grows as a power of the document
// size ("//*[//*[//*]]"): queries with more than two predicates, or long
// queries that walk paths, are skipped so that a slow query is not mistaken
// for a hang in our code. Long path-free queries stay, so that deeply nested
// expressions ("((((...") reach the query compiler.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_document.h"

namespace {

constexpr std::size_t kMaxQueries = 4;
constexpr std::size_t kMaxPathQueryLength = 128;
constexpr long kMaxPredicates = 2;

bool IsAffordable(std::string_view query) {
  if (std::count(query.begin(), query.end(), '[') > kMaxPredicates) return false;
  return query.size() <= kMaxPathQueryLength || query.find('/') == std::string_view::npos;
}

struct FuzzInput {
  std::uint8_t mode = 0;
  std::vector<std::string> queries;
  std::string_view document;
};

FuzzInput Split(std::string_view bytes) {
  FuzzInput input;
  const std::size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) {
    input.document = bytes;
    input.queries = {"/*", "//*[0]/@*", "/*/node()[1]", "//text()"};
    return input;
  }
  std::string_view head = bytes.substr(0, nul);
  input.document = bytes.substr(nul + 1);
  if (!head.empty()) {
    input.mode = static_cast<std::uint8_t>(head.front());
    head.remove_prefix(1);
  }
  while (input.queries.size() < kMaxQueries) {
    const std::size_t end = head.find('\n');
    const std::string_view query = head.substr(0, end);
    if (IsAffordable(query)) input.queries.emplace_back(query);
    if (end == std::string_view::npos) break;
    head.remove_prefix(end + 1);
  }
  return input;
}

// A file in memory, so that loading from a path runs without touching disk.
std::string MemoryFilePath(std::string_view bytes) {
  static const int fd = memfd_create("xml_document_fuzz", 0);
  if (fd < 0 || ftruncate(fd, 0) != 0) return {};
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (written <= 0) return {};
    done += static_cast<std::size_t>(written);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

void Read(const corvane::XmlDocument& xml, const std::string& query) {
  (void)xml.NodeCount(query);
  (void)xml.ReadNode(query);
  (void)xml.ReadNodeXML(query);
  (void)xml.ReadAttribute(query, "a");
}

[[noreturn]] void Fail(const char* what, const std::string& query) {
  std::fprintf(stderr, "xml_document_fuzzer: %s (query %zu bytes)\n", what, query.size());
  std::abort();
}

void CheckReloadsAlike(const corvane::XmlDocument& xml, const std::vector<std::string>& queries) {
  corvane::XmlDocument again;
  again.Initialize(corvane::kBestAvailableParser);
  if (!again.OpenFromString(xml.XML())) Fail("its own markup does not load", {});
  for (const std::string& query : queries) {
    if (again.NodeCount(query) != xml.NodeCount(query) ||
        again.ReadNodeXML(query) != xml.ReadNodeXML(query)) {
      Fail("reloaded markup answers differently", query);
    }
  }
}

// Edits refuse what would write markup that no longer parses; deleting the
// root element leaves a document that cannot parse, so that one goes last.
void Edit(corvane::XmlDocument& xml, const std::string& query, std::int32_t round) {
  const bool parsedBefore = xml.Reparse();
  (void)xml.WriteAttribute(query, "a", round);
  (void)xml.WriteCDataSection(query, "c]]>d");
  (void)xml.InsertNode(query, "n", corvane::XmlValue("v&<"), std::string("b"),
                       corvane::XmlValue(true), static_cast<corvane::NodeRelation>(round % 3));
  (void)xml.DeleteAttribute(query, "a");
  (void)xml.WriteNode(query, 1.5);
  if (parsedBefore && !xml.Reparse()) Fail("an edit wrote markup that does not parse", query);
  (void)xml.DeleteNode(query);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FuzzInput input = Split(std::string_view(reinterpret_cast<const char*>(data), size));
  corvane::XmlDocument xml;
  xml.Initialize(corvane::kBestAvailableParser);
  const bool loaded = (input.mode & 1) != 0 ? xml.OpenFromFile(MemoryFilePath(input.document))
                                            : xml.OpenFromString(std::string(input.document));
  for (std::int32_t info = -1; info <= 3; ++info)
    (void)xml.XMLDocumentInfo(static_cast<corvane::DeclarationPart>(info));
  for (const std::string& query : input.queries) Read(xml, query);
  if (!loaded) return 0;
  CheckReloadsAlike(xml, input.queries);
  std::int32_t round = 0;
  for (const std::string& query : input.queries) Edit(xml, query, round++);
  for (const std::string& query : input.queries) Read(xml, query);
  if ((input.mode & 4) != 0) (void)xml.Save("/dev/null");
  return 0;
}
