#include "formats/html_text.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "formats/counted_memory.h"
#include "formats/html_parser_library.h"
#include "formats/text_decoder.h"

namespace lexicull {
namespace {

// How much of a document is looked at for its declared encoding.
constexpr std::size_t kEncodingWindow = 1024;

char* duplicate_counted(const char* text) {
  const std::size_t size = std::strlen(text) + 1;
  void* copy = allocate_counted(size);
  if (copy != nullptr) std::memcpy(copy, text, size);
  return static_cast<char*>(copy);
}

// libxml2's allocations are counted from its first, so its memory setup
// comes before anything else of it, once in the program. Null where the
// library cannot be had, with the reason in `*status`.
const HtmlParserLibrary* prepare_libxml2(Status* status) {
  const HtmlParserLibrary* library = nullptr;
  *status = html_parser_library(&library);
  if (!status->ok()) return nullptr;
  static std::once_flag once;
  std::call_once(once, [library] {
    library->mem_setup(&free_counted, &allocate_counted, &reallocate_counted, &duplicate_counted);
    library->init_parser();
  });
  return library;
}

}  // namespace

struct HtmlText::State {
  State(PlainTextLines& lines, TextBudget& budget)
      : document(lines), budget(budget), memory(MemoryAccount::open(kMostMemory)) {}

  DocumentText document;
  BudgetShare budget;
  MemoryAccount* memory;
  const HtmlParserLibrary* library = nullptr;
  Status unloaded;  // why there is no library
  htmlParserCtxtPtr parser = nullptr;
  std::string start;  // the first bytes, until the encoding is known
  TextDecoder decoder{""};
  bool decoding = false;
  std::string utf8;

  bool count_text(std::size_t size) {
    const bool was_spent = budget.spent();
    if (budget.count(size)) return true;
    if (!was_spent) library->stop_parser(parser);
    return false;
  }

  static State& of(void* data) { return *static_cast<State*>(data); }
  static std::string_view name_of(const xmlChar* name) {
    return reinterpret_cast<const char*>(name);
  }
  static void start_element(void* data, const xmlChar* name, const xmlChar**) {
    of(data).document.start_element(name_of(name));
  }
  static void end_element(void* data, const xmlChar* name) {
    of(data).document.end_element(name_of(name));
  }
  static void characters(void* data, const xmlChar* text, int length) {
    State& state = of(data);
    if (!state.count_text(static_cast<std::size_t>(length))) return;
    state.document.text(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  }
  // The parser's complaints say nothing the reader needs: it reads on.
  static void ignore_error(void*, xmlErrorPtr) {}
  // Nor do those it makes past the handler, of memory refused.
  static void ignore_generic_error(void*, const char*, ...) {}

  Status feed(std::string_view utf8_piece, bool last) {
    const CountingFor counting(memory);
    // This thread's handler of the library's messages, which it prints
    // itself otherwise.
    library->set_generic_error_func(nullptr, &ignore_generic_error);
    library->parse_chunk(parser, utf8_piece.data(), static_cast<int>(utf8_piece.size()),
                         last ? 1 : 0);
    if (budget.spent()) return Status::failure(budget.spent_reason());
    if (memory->refused()) {
      return Status::failure("markup too large to hold (over " + std::to_string(kMostMemory >> 20) +
                             " MiB)");
    }
    if (last && !budget.settle()) return Status::failure(budget.spent_reason());
    return Status();
  }
};

HtmlText::HtmlText(PlainTextLines& lines, TextBudget& budget) {
  state_ = new State(lines, budget);
  state_->library = prepare_libxml2(&state_->unloaded);
  if (state_->library == nullptr) return;
  htmlSAXHandler handler;
  std::memset(&handler, 0, sizeof handler);
  handler.startElement = &State::start_element;
  handler.endElement = &State::end_element;
  handler.characters = &State::characters;
  handler.ignorableWhitespace = &State::characters;
  handler.cdataBlock = &State::characters;
  handler.initialized = XML_SAX2_MAGIC;
  handler.serror = &State::ignore_error;
  {
    const CountingFor counting(state_->memory);
    // UTF-8 always: the decoder has made it so, and a <meta charset> must
    // not make the parser decode it again.
    state_->parser = state_->library->create_push_parser(&handler, state_, nullptr, 0, nullptr,
                                                         XML_CHAR_ENCODING_UTF8);
    if (state_->parser != nullptr) {
      state_->library->use_options(state_->parser, HTML_PARSE_RECOVER | HTML_PARSE_NONET |
                                                       HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                                       HTML_PARSE_IGNORE_ENC);
    }
  }
  if (state_->parser == nullptr) {
    state_->memory->close();
    delete state_;
    throw std::bad_alloc();
  }
}

HtmlText::~HtmlText() {
  if (state_->parser != nullptr) {
    const CountingFor counting(state_->memory);
    state_->library->free_parser(state_->parser);
  }
  state_->memory->close();
  delete state_;
}

bool HtmlText::budget_spent() const { return state_->budget.spent(); }

Status HtmlText::parse(std::string_view piece, bool last) {
  State& state = *state_;
  if (state.library == nullptr) return state.unloaded;
  if (!state.decoding) {
    state.start.append(piece);
    if (state.start.size() < kEncodingWindow && !last) return Status();
    state.decoder = TextDecoder(declared_html_encoding(state.start));
    state.decoding = true;
    piece = state.start;
  }
  state.utf8.clear();
  state.decoder.decode(piece, last, &state.utf8);
  state.start = std::string();
  Status status = state.feed(state.utf8, last);
  if (status.ok() && last) state.document.end();
  return status;
}

}  // namespace lexicull
