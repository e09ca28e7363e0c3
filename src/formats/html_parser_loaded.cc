#include <string>
#include <type_traits>

#include "formats/html_parser_library.h"
#include "platform/shared_library.h"

namespace lexicull {
namespace {

// Looks up each function by its name in libxml2's own headers.
Status load_html_parser(HtmlParserLibrary* functions) {
  SharedLibrary library;
  Status status = SharedLibrary::load(LEXICULL_LIBXML2_FILE, &library);
  if (!status.ok()) return Status::failure("cannot load the HTML parser: " + status.reason());
  const auto find = [&](auto& function, const char* name) {
    if (!status.ok()) return;
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.symbol(name));
    if (function == nullptr) {
      status = Status::failure(std::string("cannot load the HTML parser: ") +
                               LEXICULL_LIBXML2_FILE + " has no " + name);
    }
  };
  find(functions->mem_setup, "xmlMemSetup");
  find(functions->init_parser, "xmlInitParser");
  find(functions->set_generic_error_func, "xmlSetGenericErrorFunc");
  find(functions->create_push_parser, "htmlCreatePushParserCtxt");
  find(functions->use_options, "htmlCtxtUseOptions");
  find(functions->parse_chunk, "htmlParseChunk");
  find(functions->stop_parser, "xmlStopParser");
  find(functions->free_parser, "htmlFreeParserCtxt");
  return status;
}

}  // namespace

Status html_parser_library(const HtmlParserLibrary** library) {
  static HtmlParserLibrary functions{};
  static const Status loaded = load_html_parser(&functions);
  if (loaded.ok()) *library = &functions;
  return loaded;
}

}  // namespace lexicull
