// Very long documents: the run completes and peak memory stays flat as the
// page count grows. The documents are assembled with qpdf from the small
// generated ones, in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "model/json_form.h"
#include "tool.h"

namespace leggipdf {
namespace {

// A document made of `copies` repetitions of `pages` of `source`.
std::string assembled(const std::string& name, const std::string& source, const std::string& pages, int copies) {
    const std::string path = ::testing::TempDir() + "/leggipdf-" + name;
    std::vector<std::string> arguments{"--empty", "--pages"};
    for (int i = 0; i < copies; ++i) arguments.insert(arguments.end(), {source, pages});
    arguments.insert(arguments.end(), {"--", path});
    const auto run = testing::runTool(arguments, std::chrono::seconds(120), testing::Stdout::pipe, "/usr/bin/qpdf");
    if (run.status != 0) throw std::runtime_error("qpdf failed: " + run.err);
    return path;
}

// Runs a small and a large document and checks that both give all their
// pages and that the large one peaks at most `allowedGrowthKB` higher.
void expectFlatMemory(const std::string& small, std::size_t smallPages, const std::string& large,
                      std::size_t largePages, long allowedGrowthKB) {
    long peaks[2] = {0, 0};
    const std::pair<const std::string*, std::size_t> runs[] = {{&small, smallPages}, {&large, largePages}};
    for (int i = 0; i < 2; ++i) {
        const auto run = testing::runTool({*runs[i].first}, std::chrono::seconds(600));
        EXPECT_EQ(run.status, 0) << *runs[i].first << ": " << run.err;
        EXPECT_EQ(run.err, "") << *runs[i].first;
        EXPECT_EQ(decoded(run.out).pages.size(), runs[i].second) << *runs[i].first;
        peaks[i] = run.peakKilobytes;
        std::filesystem::remove(*runs[i].first);
    }
    EXPECT_LT(peaks[1], peaks[0] + allowedGrowthKB)
        << peaks[0] << " KB for " << smallPages << " pages, " << peaks[1] << " KB for " << largePages;
}

TEST(LargeDocuments, TenThousandTextPagesKeepMemoryFlat) {
    const std::string hundred = assembled("102.pdf", testing::testData("text-three-pages.pdf"), "1-z", 34);
    const std::string tenThousand = assembled("9996.pdf", hundred, "1-z", 98);
    // The result itself (about 1.6 MB of text here) is held until the end, as
    // nothing is printed before the run has succeeded; the rest must not grow.
    expectFlatMemory(hundred, 102, tenThousand, 9996, 48 * 1024);
}

TEST(LargeDocuments, FiftyScannedPagesPeakNoHigherThanTwo) {
    const std::string scan = testing::testData("mixed.pdf");
    expectFlatMemory(assembled("scan-2.pdf", scan, "3", 2), 2, assembled("scan-50.pdf", scan, "3", 50), 50, 8 * 1024);
}

}  // namespace
}  // namespace leggipdf
