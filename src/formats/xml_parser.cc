#include "formats/xml_parser.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "formats/code_pages.h"

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

// The parser's memory, counted. Its allocations go through these functions,
// which know no parser; each block's header names the count it belongs to,
// and a new block counts for the parser that this thread is calling into.
struct XmlParser::Memory {
  std::size_t used = 0;
  bool refused = false;  // a block would have gone past kMostMemory
};

namespace {

thread_local XmlParser::Memory* memory_in_use = nullptr;

struct alignas(std::max_align_t) BlockHeader {
  XmlParser::Memory* memory;
  std::size_t size;
};

// Makes `memory` the count of the parser this thread calls into, while it
// lives.
class CountingFor {
 public:
  explicit CountingFor(XmlParser::Memory* memory) : outer_(memory_in_use) {
    memory_in_use = memory;
  }
  ~CountingFor() { memory_in_use = outer_; }
  CountingFor(const CountingFor&) = delete;
  CountingFor& operator=(const CountingFor&) = delete;

 private:
  XmlParser::Memory* outer_;
};

void* allocate_counted(std::size_t size) {
  XmlParser::Memory& memory = *memory_in_use;
  if (size > XmlParser::kMostMemory - memory.used) {
    memory.refused = true;
    return nullptr;
  }
  void* block = std::malloc(sizeof(BlockHeader) + size);
  if (block == nullptr) return nullptr;
  memory.used += size;
  return new (block) BlockHeader{&memory, size} + 1;
}

void* reallocate_counted(void* bytes, std::size_t size) {
  if (bytes == nullptr) return allocate_counted(size);
  BlockHeader* header = static_cast<BlockHeader*>(bytes) - 1;
  XmlParser::Memory& memory = *header->memory;
  const std::size_t old_size = header->size;
  if (size > old_size && size - old_size > XmlParser::kMostMemory - memory.used) {
    memory.refused = true;
    return nullptr;
  }
  void* block = std::realloc(header, sizeof(BlockHeader) + size);
  if (block == nullptr) return nullptr;
  memory.used = memory.used - old_size + size;
  header = static_cast<BlockHeader*>(block);
  header->size = size;
  return header + 1;
}

void free_counted(void* bytes) {
  if (bytes == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(bytes) - 1;
  header->memory->used -= header->size;
  std::free(header);
}

const XML_Memory_Handling_Suite kCountedMemory = {&allocate_counted, &reallocate_counted,
                                                  &free_counted};

}  // namespace

XmlParser::XmlParser(TextBudget& budget) : budget_(budget), memory_(new Memory) {
  const CountingFor counting(memory_);
  // No encoding is forced: the document's own declaration, or its byte
  // order mark, is honoured; UTF-8 where it has neither.
  parser_ = XML_ParserCreate_MM(nullptr, &kCountedMemory, &kNamespaceSeparator);
  if (parser_ == nullptr) {
    delete memory_;
    throw std::bad_alloc();
  }
  XML_SetUnknownEncodingHandler(parser_, &XmlParser::known_encoding, this);
}

XmlParser::~XmlParser() {
  const CountingFor counting(memory_);
  XML_ParserFree(parser_);
  delete memory_;
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

bool XmlParser::count_text(std::size_t size) {
  uncounted_ += size;
  if (uncounted_ < kBudgetStep) return true;
  const bool within = budget_.take(uncounted_);
  uncounted_ = 0;
  if (!within) {
    budget_spent_ = true;
    XML_StopParser(parser_, XML_FALSE);
  }
  return within;
}

Status XmlParser::parse(std::string_view piece, bool last) {
  const CountingFor counting(memory_);
  const XML_Status parsed =
      XML_Parse(parser_, piece.data(), static_cast<int>(piece.size()), last ? XML_TRUE : XML_FALSE);
  if (parsed != XML_STATUS_ERROR && last && uncounted_ > 0) {
    budget_spent_ = !budget_.take(uncounted_);
    uncounted_ = 0;
  }
  if (budget_spent_) return Status::failure(budget_.spent_reason());
  if (parsed != XML_STATUS_ERROR) return Status();
  const std::string line = " at line " + std::to_string(XML_GetCurrentLineNumber(parser_));
  switch (XML_GetErrorCode(parser_)) {
    case XML_ERROR_NO_MEMORY:
      if (!memory_->refused) throw std::bad_alloc();
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
