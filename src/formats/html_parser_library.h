#ifndef LEXICULL_FORMATS_HTML_PARSER_LIBRARY_H_
#define LEXICULL_FORMATS_HTML_PARSER_LIBRARY_H_

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

#include "base/status.h"

namespace lexicull {

// The functions of libxml2 that HtmlText calls. Where the program uses the
// system's shared libraries, libxml2 is loaded the first time an HTML
// document is parsed, not at start: with the libraries it needs in turn
// (ICU, liblzma) it cost every run about two milliseconds, and few books
// are HTML.
struct HtmlParserLibrary {
  decltype(&::xmlMemSetup) mem_setup;
  decltype(&::xmlInitParser) init_parser;
  decltype(&::xmlSetGenericErrorFunc) set_generic_error_func;
  decltype(&::htmlCreatePushParserCtxt) create_push_parser;
  decltype(&::htmlCtxtUseOptions) use_options;
  decltype(&::htmlParseChunk) parse_chunk;
  decltype(&::xmlStopParser) stop_parser;
  decltype(&::htmlFreeParserCtxt) free_parser;
};

// The library, loaded on the first call on any thread. A failure to load
// it, or a function it lacks, is returned by that call and every later one.
// html_parser_linked.cc defines it for a program that links libxml2 in,
// html_parser_loaded.cc for one that loads it.
Status html_parser_library(const HtmlParserLibrary** library);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_HTML_PARSER_LIBRARY_H_
