#include "formats/xml_parser.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "formats/code_pages.h"
#include "formats/counted_memory.h"

namespace lexicull {
namespace {

// Text is taken from the shared budget in steps of this much, so that the
// threads seldom touch it; a refusal comes at most a step per thread late.
constexpr std::uint64_t kBudgetStep = 64 * 1024;

}  // namespace

std::uint64_t TextBudget::for_archive(std::uint64_t archive_size) {
  constexpr std::uint64_t kLeast = std::uint64_t{256} << 20;
  constexpr std::uint64_t kPerArchiveByte = 32;
  constexpr std::uint64_t kMost = ~std::uint64_t{0};
  const std::uint64_t scaled =
      archive_size > kMost / kPerArchiveByte ? kMost : archive_size * kPerArchiveByte;
  return std::max(kLeast, scaled);
}

std::string TextBudget::spent_reason() const {
  return "its text is larger than " + std::to_string(limit_ >> 20) + " MiB";
}

namespace {

const XML_Memory_Handling_Suite kCountedMemory = {&allocate_counted, &reallocate_counted,
                                                  &free_counted};

}  // namespace

XmlParser::XmlParser(TextBudget& budget)
    : budget_(budget), memory_(MemoryAccount::open(kMostMemory)) {
  const CountingFor counting(memory_);
  // No encoding is forced: the document's own declaration, or its byte
  // order mark, is honoured; UTF-8 where it has neither.
  parser_ = XML_ParserCreate_MM(nullptr, &kCountedMemory, &kNamespaceSeparator);
  if (parser_ == nullptr) {
    memory_->close();
    throw std::bad_alloc();
  }
  XML_SetUnknownEncodingHandler(parser_, &XmlParser::known_encoding, this);
}

XmlParser::~XmlParser() {
  const CountingFor counting(memory_);
  XML_ParserFree(parser_);
  memory_->close();
}

int XmlParser::known_encoding(void* data, const XML_Char* name, XML_Encoding* info) {
  XmlParser& parser = *static_cast<XmlParser*>(data);
  const char16_t* upper_half = single_byte_code_page(name);
  if (upper_half == nullptr) {
    parser.unknown_encoding_ = name;
    return XML_STATUS_ERROR;
  }
  for (int byte = 0; byte < 128; ++byte) info->map[byte] = byte;
  for (int byte = 128; byte < 256; ++byte) info->map[byte] = upper_half[byte - 128];
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

bool BudgetShare::count(std::uint64_t size) {
  uncounted_ += size;
  if (uncounted_ < kBudgetStep) return !spent_;
  return settle();
}

bool BudgetShare::settle() {
  if (uncounted_ > 0) spent_ = !budget_.take(uncounted_) || spent_;
  uncounted_ = 0;
  return !spent_;
}

bool XmlParser::count_text(std::size_t size) {
  const bool was_spent = budget_.spent();
  if (budget_.count(size)) return true;
  if (!was_spent) XML_StopParser(parser_, XML_FALSE);
  return false;
}

Status XmlParser::parse(std::string_view piece, bool last) {
  const CountingFor counting(memory_);
  const XML_Status parsed =
      XML_Parse(parser_, piece.data(), static_cast<int>(piece.size()), last ? XML_TRUE : XML_FALSE);
  if (parsed != XML_STATUS_ERROR && last) budget_.settle();
  if (budget_.spent()) return Status::failure(budget_.spent_reason());
  if (parsed != XML_STATUS_ERROR) return Status();
  const std::string line = " at line " + std::to_string(XML_GetCurrentLineNumber(parser_));
  switch (XML_GetErrorCode(parser_)) {
    case XML_ERROR_NO_MEMORY:
      if (!memory_->refused()) throw std::bad_alloc();
      return Status::failure("markup too large to hold (over " + std::to_string(kMostMemory >> 20) +
                             " MiB)" + line);
    case XML_ERROR_UNKNOWN_ENCODING:
      if (!unknown_encoding_.empty()) {
        return Status::failure("unknown encoding \"" + unknown_encoding_ + "\"" + line);
      }
      break;
    default:
      break;
  }
  return Status::failure(XML_ErrorString(XML_GetErrorCode(parser_)) + line);
}

std::string_view XmlParser::local_name(const XML_Char* name) {
  const std::string_view full = name;
  const std::size_t separator = full.rfind(kNamespaceSeparator);
  return separator == std::string_view::npos ? full : full.substr(separator + 1);
}

}  // namespace lexicull
