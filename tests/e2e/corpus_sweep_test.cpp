// Runs the binary over every PDF of the shared corpus of real, damaged and
// odd files. Each run must end cleanly: status 0 with a valid document and a
// silent stderr, or status 1 with one of the fixed texts; never a signal or a
// hang. Pages with a text layer must equal pdftotext's text once normalised.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "extraction/normalized.h"
#include "model/json_form.h"
#include "tool.h"

namespace leggipdf {
namespace {

struct CorpusFile {
    std::string name, pages, expect;
};

std::vector<CorpusFile> manifest() {
    std::ifstream file(testing::corpusDirectory() + "/manifest.tsv");
    std::vector<CorpusFile> files;
    std::string line;
    std::getline(file, line);  // header
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        CorpusFile entry;
        std::string category;
        std::getline(fields, entry.name, '\t');
        std::getline(fields, entry.pages, '\t');
        std::getline(fields, category, '\t');
        std::getline(fields, entry.expect, '\t');
        if (!entry.name.empty()) files.push_back(entry);
    }
    return files;
}

// Poppler's library reads what the crop box shows; pdftotext reads the whole
// media box. On these files the crop box is smaller and cuts text off.
const std::set<std::string> kCropBoxSmaller = {
    "cropbox-hides-lower-half.pdf",
    "cropbox-inside-negative-mediabox.pdf",
    "many-pages-ibm-manual-429p.pdf",
};

// Broken page trees: Poppler counts pages that it then cannot load, so the
// walk gets no page for those indices and skips them without recognition.
const std::set<std::string> kPagesNotReturned = {
    "pagetree-loop.pdf",
    "pagetree-wrong-count.pdf",
};

// pdftotext's text of each page, normalised, in page order.
std::vector<std::string> referencePages(const std::string& path) {
    const std::string text = testing::runTool({"-enc", "UTF-8", path, "-"}, std::chrono::seconds(300),
                                              testing::Stdout::pipe, "/usr/bin/pdftotext")
                                 .out;
    std::vector<std::string> pages;
    std::size_t start = 0;
    for (std::size_t feed; (feed = text.find('\f', start)) != std::string::npos; start = feed + 1)
        pages.push_back(normalized(text.substr(start, feed - start)));
    return pages;
}

void expectTextLayersMatch(const CorpusFile& file, const ExtractionResult& result) {
    const std::vector<std::string> reference = referencePages(testing::corpusPdf(file.name));
    std::map<std::int64_t, std::string> ours;
    for (const auto& page : result.pages) ours[page.page] = page.text;
    for (std::size_t index = 0; index < reference.size(); ++index) {
        if (reference[index].empty()) continue;  // no text layer: recognised, nothing to compare
        EXPECT_EQ(ours[static_cast<std::int64_t>(index) + 1], reference[index]) << file.name << " page " << index + 1;
    }
}

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

class CorpusSweep : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusSweep, EndsCleanly) {
    const CorpusFile& file = GetParam();
    const auto run = testing::runTool({testing::corpusPdf(file.name)}, std::chrono::seconds(600));
    ASSERT_FALSE(run.timedOut) << file.name;
    ASSERT_EQ(run.signal, 0) << file.name;
    if (file.expect == "unreadable") {
        EXPECT_EQ(run.status, 1) << file.name;
        EXPECT_EQ(run.err, "PDF non leggibile\n") << file.name;
        EXPECT_EQ(run.out, "") << file.name;
        return;
    }
    ASSERT_EQ(run.status, 0) << file.name << ": " << run.err;
    EXPECT_EQ(run.err, "") << file.name;
    ASSERT_EQ(run.out.back(), '\n');
    const ExtractionResult result = decoded(run.out);
    if (file.expect == "text") {
        EXPECT_FALSE(result.usedOCR) << file.name;
    } else if ((file.expect == "ocr" || file.expect == "mixed") && !kPagesNotReturned.count(file.name)) {
        EXPECT_TRUE(result.usedOCR) << file.name;
    }
    if (file.expect == "ocr") {
        EXPECT_FALSE(result.pages.empty()) << file.name;
    }
    if ((file.expect == "text" || file.expect == "mixed") && !kCropBoxSmaller.count(file.name))
        expectTextLayersMatch(file, result);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusSweep, ::testing::ValuesIn(manifest()),
                         [](const ::testing::TestParamInfo<CorpusFile>& info) {
                             std::string name = info.param.name.substr(0, info.param.name.size() - 4);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace leggipdf
