#include "formats/package_document.h"

#include <functional>
#include <unordered_map>
#include <utility>

#include "text/byte_classes.h"

namespace lexicull {
namespace {

using Attributes = std::vector<std::pair<std::string_view, std::string_view>>;
// Called with the local name and attributes of every element, in order.
using ElementVisitor = std::function<void(std::string_view name, const Attributes& attributes)>;

struct VisitState {
  XmlParser* parser;
  const ElementVisitor* visit;
};

Status visit_elements(std::string_view xml, TextBudget& budget, const ElementVisitor& visit) {
  XmlParser parser(budget);
  VisitState state{&parser, &visit};
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(
      parser.get(),
      [](void* data, const XML_Char* element, const XML_Char** attributes) {
        auto& visiting = *static_cast<VisitState*>(data);
        Attributes pairs;
        for (const XML_Char** at = attributes; *at != nullptr; at += 2) {
          pairs.emplace_back(XmlParser::local_name(at[0]), at[1]);
        }
        (*visiting.visit)(XmlParser::local_name(element), pairs);
      },
      nullptr);
  // Its text is of no use, but an entity may expand in it all the same.
  XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char*, int length) {
    static_cast<VisitState*>(data)->parser->count_text(static_cast<std::size_t>(length));
  });
  return parser.parse(xml, true);
}

std::string_view attribute(const Attributes& attributes, std::string_view name) {
  for (const auto& [key, value] : attributes) {
    if (key == name) return value;
  }
  return std::string_view();
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Status parse_container(std::string_view xml, TextBudget& budget, std::string* package_path) {
  package_path->clear();
  return visit_elements(xml, budget, [package_path](std::string_view name, const auto& attributes) {
    if (name == "rootfile" && package_path->empty()) {
      *package_path = resolve_reference("", attribute(attributes, "full-path"));
    }
  });
}

bool is_document_media_type(std::string_view media_type) {
  media_type = media_type.substr(0, media_type.find(';'));
  while (!media_type.empty() && (media_type.back() == ' ' || media_type.back() == '\t')) {
    media_type.remove_suffix(1);
  }
  while (!media_type.empty() && (media_type.front() == ' ' || media_type.front() == '\t')) {
    media_type.remove_prefix(1);
  }
  std::string lowered;
  for (const char c : media_type)
    lowered += static_cast<char>(to_lower(static_cast<unsigned char>(c)));
  return lowered == "application/xhtml+xml" || lowered == "text/html";
}

Status parse_package(std::string_view xml, std::string_view package_path, TextBudget& budget,
                     std::vector<std::string>* documents) {
  const std::string_view folder = package_path.substr(0, package_path.rfind('/') + 1);
  struct Item {
    std::string href;
    bool is_document;
  };
  std::unordered_map<std::string, Item> manifest;
  std::vector<std::string> spine;
  Status status = visit_elements(xml, budget, [&](std::string_view name, const auto& attributes) {
    if (name == "item") {
      const std::string_view id = attribute(attributes, "id");
      if (!id.empty()) {
        manifest.emplace(id, Item{std::string(attribute(attributes, "href")),
                                  is_document_media_type(attribute(attributes, "media-type"))});
      }
    } else if (name == "itemref") {
      const std::string_view idref = attribute(attributes, "idref");
      if (!idref.empty()) spine.emplace_back(idref);
    }
  });
  if (!status.ok()) return status;
  std::set<std::string> seen;
  documents->clear();
  for (const std::string& idref : spine) {
    const auto item = manifest.find(idref);
    if (item == manifest.end() || !item->second.is_document) continue;
    std::string path = resolve_reference(folder, item->second.href);
    if (seen.insert(path).second) documents->push_back(std::move(path));
  }
  return Status();
}

Status parse_encryption(std::string_view xml, TextBudget& budget,
                        std::set<std::string>* encrypted) {
  return visit_elements(xml, budget, [encrypted](std::string_view name, const auto& attributes) {
    if (name == "CipherReference") {
      encrypted->insert(resolve_reference("", attribute(attributes, "URI")));
    }
  });
}

std::string resolve_reference(std::string_view folder, std::string_view reference) {
  reference = reference.substr(0, reference.find('#'));
  std::string decoded;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    if (reference[i] == '%' && i + 2 < reference.size() && hex_value(reference[i + 1]) >= 0 &&
        hex_value(reference[i + 2]) >= 0) {
      decoded += static_cast<char>(hex_value(reference[i + 1]) * 16 + hex_value(reference[i + 2]));
      i += 2;
    } else {
      decoded += reference[i];
    }
  }
  const std::string joined =
      !decoded.empty() && decoded[0] == '/' ? decoded.substr(1) : std::string(folder) + decoded;
  std::vector<std::string> parts;
  std::size_t begin = 0;
  while (begin <= joined.size()) {
    std::size_t end = joined.find('/', begin);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(begin, end - begin);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    begin = end + 1;
  }
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
  return path;
}

}  // namespace lexicull
