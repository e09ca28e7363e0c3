#include "formats/html_parser_library.h"

namespace lexicull {

Status html_parser_library(const HtmlParserLibrary** library) {
  static const HtmlParserLibrary linked{&::xmlMemSetup,
                                        &::xmlInitParser,
                                        &::xmlSetGenericErrorFunc,
                                        &::htmlCreatePushParserCtxt,
                                        &::htmlCtxtUseOptions,
                                        &::htmlParseChunk,
                                        &::xmlStopParser,
                                        &::htmlFreeParserCtxt};
  *library = &linked;
  return Status();
}

}  // namespace lexicull
