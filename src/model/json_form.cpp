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

}  // namespace

std::string encoded(const ExtractionResult& result) {
    Json pages = Json::array();
    for (const auto& page : result.pages) pages.push_back(jsonOf(page));
    Json document = Json::object();
    document["pages"] = std::move(pages);
    document["usedOCR"] = result.usedOCR;
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace leggipdf
