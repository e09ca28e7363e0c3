#ifndef LEXICULL_FORMATS_PACKAGE_DOCUMENT_H_
#define LEXICULL_FORMATS_PACKAGE_DOCUMENT_H_

// The small XML files that say what an EPUB holds: the container, which
// names the package document; the package document, whose spine lists the
// book's documents in reading order; and the encryption list. Each is
// parsed from its bytes, with the parser's memory cap and the book's text
// budget, and fails with the parser's reason for malformed XML.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "formats/xml_parser.h"

namespace lexicull {

// The archive path of the package document that META-INF/container.xml
// names first; empty when it names none.
Status parse_container(std::string_view xml, TextBudget& budget, std::string* package_path);

// The archive paths of the spine's documents, in reading order, each once:
// the items whose media type is XHTML or HTML (ASCII case and parameters
// ignored, as the media type rules have it). Items are resolved against
// the package document's folder.
Status parse_package(std::string_view xml, std::string_view package_path, TextBudget& budget,
                     std::vector<std::string>* documents);

// The archive paths that META-INF/encryption.xml says are encrypted.
Status parse_encryption(std::string_view xml, TextBudget& budget, std::set<std::string>* encrypted);

// `reference` (a path relative to `folder`, perhaps with a #fragment and
// percent-encoded bytes) as the name of an entry of the archive.
std::string resolve_reference(std::string_view folder, std::string_view reference);

// Whether a manifest item of this media type is a document to read.
bool is_document_media_type(std::string_view media_type);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_PACKAGE_DOCUMENT_H_
