// The binary over every PDF of the shared corpus of real, damaged and odd
// files: status 0 with a valid document and a silent stderr, or 1 with the
// fixed text; text layers equal to pdftotext's once reduced to one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "support.h"

namespace leggipdf {
namespace {

using CorpusFile = std::pair<std::string, std::string>;  // file name, expectation

// Tab-separated, after a header: file, pages, category, expectation, notes.
std::vector<CorpusFile> manifest() {
    std::ifstream file(std::string(LEGGIPDF_CORPUS) + "/manifest.tsv");
    std::vector<CorpusFile> files;
    std::string notes, pages, category;
    std::getline(file, notes);
    for (CorpusFile entry; file >> entry.first >> pages >> category >> entry.second && std::getline(file, notes);)
        files.push_back(entry);
    return files;
}

// Poppler's library reads what the crop box shows; pdftotext reads the whole
// media box. On these files the crop box is smaller and cuts text off.
const std::set<std::string> kCropBoxSmaller = {"cropbox-hides-lower-half.pdf", "cropbox-inside-negative-mediabox.pdf",
                                               "many-pages-ibm-manual-429p.pdf"};
// Broken page trees: Poppler counts pages that it then cannot load, so the
// walk gets no page for those indices and skips them without recognition.
const std::set<std::string> kPagesNotReturned = {"pagetree-loop.pdf", "pagetree-wrong-count.pdf"};
// Listed as empty, but Poppler refuses their page tree (missing, or a count
// that lies) rather than finding none: no text is no success there.
const std::set<std::string> kPageTreeRefused = {"damaged-truncated-at-40-percent.pdf", "pagetree-count-overflow.pdf"};

void expectTextLayersMatch(const std::string& name, const ExtractionResult& result) {
    const std::string text = testing::outputOf({"/usr/bin/pdftotext", "-enc", "UTF-8", testing::corpusPdf(name), "-"});
    std::map<std::int64_t, std::string> ours;
    for (const auto& page : result.pages) ours[page.page] = page.text;
    std::int64_t number = 1;
    for (std::size_t start = 0, feed; (feed = text.find('\f', start)) != std::string::npos; start = feed + 1) {
        const std::string reference = testing::oneLine(text.substr(start, feed - start));
        EXPECT_TRUE(reference.empty() || ours[number] == reference)
            << name << " page " << number << ": " << ours[number] << "\n vs " << reference;
        ++number;
    }
}

class CorpusSweep : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusSweep, EndsCleanly) {
    const auto& [name, expect] = GetParam();
    const auto [status, out, err] = testing::run({LEGGIPDF_BINARY, testing::corpusPdf(name)});
    if (expect == "unreadable" || kPageTreeRefused.count(name)) {
        EXPECT_EQ(testing::Outcome(status, out, err), testing::Outcome(1, "", "PDF non leggibile\n"));
        return;
    }
    ASSERT_EQ(std::tuple(status, err), std::tuple(0, std::string()));
    const ExtractionResult result = testing::decoded(out);
    const bool scanned = expect == "ocr" || expect == "mixed";
    if (expect == "text" || (scanned && !kPagesNotReturned.count(name))) {
        EXPECT_EQ(result.usedOCR, scanned);
    }
    EXPECT_TRUE(expect != "ocr" || !result.pages.empty());
    if ((expect == "text" || expect == "mixed") && !kCropBoxSmaller.count(name)) expectTextLayersMatch(name, result);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusSweep, ::testing::ValuesIn(manifest()), [](const auto& file) {
    std::string name = file.param.first.substr(0, file.param.first.size() - 4);  // without ".pdf"
    std::ranges::replace_if(
        name, [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
});

}  // namespace
}  // namespace leggipdf
