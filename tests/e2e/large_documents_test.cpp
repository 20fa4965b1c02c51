// Very long documents: the run completes and peak memory stays flat as the
// page count grows. The documents are assembled with qpdf from the small
// generated ones, in a temporary directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "model/json_form.h"
#include "tool.h"

namespace leggipdf {
namespace {

// A document made of `copies` repetitions of `pages` of `source`.
std::string assembled(const std::string& name, const std::string& source, const std::string& pages, int copies) {
    const std::string path = ::testing::TempDir() + "/leggipdf-" + name;
    std::string command = "qpdf --empty --pages";
    for (int i = 0; i < copies; ++i) command += " '" + source + "' " + pages;
    command += " -- '" + path + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("qpdf failed: " + command);
    return path;
}

struct Measured {
    std::size_t pages;
    long peakKilobytes;
};

Measured measured(const std::string& path) {
    const auto run = testing::runTool({path}, std::chrono::seconds(600));
    EXPECT_EQ(run.status, 0) << path << ": " << run.err;
    EXPECT_EQ(run.err, "") << path;
    return {decoded(run.out).pages.size(), run.peakKilobytes};
}

TEST(LargeDocuments, TenThousandTextPagesKeepMemoryFlat) {
    const std::string hundred = assembled("102.pdf", testing::testData("text-three-pages.pdf"), "1-z", 34);
    const std::string tenThousand = assembled("9996.pdf", hundred, "1-z", 98);
    const Measured small = measured(hundred);
    const Measured large = measured(tenThousand);
    EXPECT_EQ(small.pages, 102u);
    EXPECT_EQ(large.pages, 9996u);
    // The result itself (about 1.6 MB of text here) is held until the end, as
    // nothing is printed before the run has succeeded; the rest must not grow.
    EXPECT_LT(large.peakKilobytes, small.peakKilobytes + 48 * 1024)
        << small.peakKilobytes << " KB for 102 pages, " << large.peakKilobytes << " KB for 9996";
    std::filesystem::remove(hundred);
    std::filesystem::remove(tenThousand);
}

TEST(LargeDocuments, FiftyScannedPagesPeakNoHigherThanTwo) {
    const std::string two = assembled("scan-2.pdf", testing::testData("mixed.pdf"), "3", 2);
    const std::string fifty = assembled("scan-50.pdf", testing::testData("mixed.pdf"), "3", 50);
    const Measured small = measured(two);
    const Measured large = measured(fifty);
    EXPECT_EQ(small.pages, 2u);
    EXPECT_EQ(large.pages, 50u);
    EXPECT_LT(large.peakKilobytes, small.peakKilobytes + 8 * 1024)
        << small.peakKilobytes << " KB for 2 pages, " << large.peakKilobytes << " KB for 50";
    std::filesystem::remove(two);
    std::filesystem::remove(fifty);
}

}  // namespace
}  // namespace leggipdf
