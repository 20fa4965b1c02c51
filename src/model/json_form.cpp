#include "model/json_form.h"

#include <nlohmann/json.hpp>

namespace leggipdf {
namespace {

using Json = nlohmann::ordered_json;

// The member order of the form is page, text and pages, usedOCR; the
// ordered variant keeps insertion order so the bytes match exactly.
Json jsonOf(const ExtractedPage& page) {
    Json object = Json::object();
    object["page"] = page.page;
    object["text"] = page.text;
    return object;
}

const Json& member(const Json& object, const char* key) {
    if (!object.is_object()) throw DecodingError("expected an object");
    auto found = object.find(key);
    if (found == object.end()) throw DecodingError(std::string("missing key: ") + key);
    return *found;
}

ExtractedPage pageOf(const Json& object) {
    const Json& page = member(object, "page");
    const Json& text = member(object, "text");
    if (!page.is_number_integer()) throw DecodingError("\"page\" is not an integer");
    if (!text.is_string()) throw DecodingError("\"text\" is not a string");
    return {page.get<std::int64_t>(), text.get<std::string>()};
}

}  // namespace

std::string encoded(const ExtractionResult& result) {
    Json pages = Json::array();
    for (const auto& page : result.pages) pages.push_back(jsonOf(page));
    Json document = Json::object();
    document["pages"] = std::move(pages);
    document["usedOCR"] = result.usedOCR;
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

ExtractionResult decoded(std::string_view json) {
    Json document;
    try {
        document = Json::parse(json);
    } catch (const Json::parse_error& error) {
        throw DecodingError(error.what());
    }
    const Json& pages = member(document, "pages");
    const Json& usedOCR = member(document, "usedOCR");
    if (!pages.is_array()) throw DecodingError("\"pages\" is not an array");
    if (!usedOCR.is_boolean()) throw DecodingError("\"usedOCR\" is not a boolean");
    ExtractionResult result;
    for (const auto& page : pages) result.pages.push_back(pageOf(page));
    result.usedOCR = usedOCR.get<bool>();
    return result;
}

}  // namespace leggipdf
