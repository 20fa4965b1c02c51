// The bottom layers: normalisation to one line, the JSON form byte for byte,
// bitmap sizes, the canvas a page is drawn on, descriptors closed at start.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <system_error>

#include "app/run.h"
#include "ending/process_start.h"
#include "image/page_canvas.h"
#include "image/page_size.h"
#include "io/whole_read.h"
#include "model/json_form.h"
#include "support.h"
#include "text/normalized.h"

namespace leggipdf {
namespace {

TEST(Normalized, SplitsAtEverySeparatorAndKeepsEverythingElse) {
    // Every separator in the tests' own list, then look-alikes that are not
    // (U+001C, ZWSP, BOM, WJ, SHY, U+3001, NUL) and bytes that are not UTF-8
    // or only begin a separator.
    const std::string kept[] = {"\x1C", "\u200B", "\uFEFF",   "\u2060",   "\u00AD",   "\u3001",   std::string(1, '\0'),
                                "\xFF", "\xC2",   "\xE2\x80", "\xE1\x9A", "\xE3\x80", "\xC2\x84", "\xE2\x81\x9E"};
    for (const std::string_view separator : testing::kSeparators) {
        const std::string s(separator);
        EXPECT_EQ(normalized(s + "a" + s + s + "b" + s), "a b") << ::testing::PrintToString(s);
        EXPECT_EQ(normalized(s), "");
    }
    for (const auto& k : kept)
        EXPECT_EQ(normalized(" a" + k + " \u00A0b\n"), "a" + k + " b") << ::testing::PrintToString(k);
}

TEST(JsonForm, EncodesExactBytes) {
    const struct {
        ExtractionResult result;
        std::string expected;
    } cases[] = {
        {{{{1, "uno"}, {3, "città"}}, false},
         R"({"pages":[{"page":1,"text":"uno"},{"page":3,"text":"città"}],"usedOCR":false})"},
        {{{{2, "a\"b\\c/\x01\x1f"}}, false}, R"({"pages":[{"page":2,"text":"a\"b\\c/\u0001\u001f"}],"usedOCR":false})"},
        {{{{1, "a\xFFz\xC2"}}, false}, "{\"pages\":[{\"page\":1,\"text\":\"a\uFFFDz\uFFFD\"}],\"usedOCR\":false}"},
    };
    for (const auto& c : cases) EXPECT_EQ(encoded(c.result), c.expected) << c.expected;
}

TEST(BitmapSize, TruncatesTurnsAndRefusesWhatCannotBeMade) {
    const double nan = NAN;
    const struct {
        double width, height;
        bool turned;
        std::optional<PixelSize> expected;
    } cases[] = {
        {595.28, 841.89, false, PixelSize{1488, 2104}},
        {0.3, 792, false, PixelSize{1, 1980}},
        {612, 792, true, PixelSize{1980, 1530}},
        {8400, 8400, false, PixelSize{21000, 21000}},
        {nan, 10, false, std::nullopt},
        {500'000, 1, false, std::nullopt},
        {1, 500'000, false, std::nullopt},
        {9'300, 9'300, false, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bitmapSize(c.width, c.height, c.turned), c.expected) << c.width << " x " << c.height;
}

TEST(ComposedImage, PlacesDrawingOverWhiteAndClips) {
    // 3x2 drawing with padded rows (stride 4), placed partly outside the canvas.
    const std::uint8_t drawing[] = {1, 2, 3, 99, 4, 5, 6, 99};
    const GreyView view{drawing, 3, 2, 4};
    const struct {
        PixelSize size;
        std::int64_t left, top;
        std::vector<std::uint8_t> expected;  // rows top down
    } cases[] = {
        {{4, 3}, 2, 1, {255, 255, 255, 255, 255, 255, 1, 2, 255, 255, 4, 5}},
        {{2, 2}, -1, -1, {5, 6, 255, 255}},
        {{2, 1}, 5, 0, {255, 255}},
    };
    for (const auto& c : cases) {
        const PageImage image = composedImage(c.size, view, c.left, c.top);
        const std::vector<std::uint8_t> pixels(image.pixels, image.pixels + c.size.width * c.size.height);
        EXPECT_EQ(pixels, c.expected) << c.left << "," << c.top;
        EXPECT_EQ(hasInk(image), c.left != 5) << c.left << "," << c.top;
    }
}

TEST(Contents, ReadsToTheEndOrOneByteBeyondTheBound) {
    std::string bytes((3 << 20) + 7, '\0');  // past the first 1 MiB of room, so the copy grows
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    const std::string path = ::testing::TempDir() + "contents";
    std::ofstream(path, std::ios::binary) << bytes;
    const struct {
        std::size_t most, expected;
    } cases[] = {{1 << 30, bytes.size()}, {bytes.size(), bytes.size()}, {(1 << 20) + 1, (1 << 20) + 2}, {0, 1}};
    for (const auto& c : cases) {
        const int file = open(path.c_str(), O_RDONLY);
        const Contents contents = contentsOf(file, c.most);
        close(file);
        EXPECT_TRUE(std::string_view(contents.data(), contents.size()) == bytes.substr(0, c.expected)) << c.most;
    }
    const int writeOnly = open(path.c_str(), O_WRONLY);
    EXPECT_THROW(contentsOf(writeOnly, 10), std::system_error);
    close(writeOnly);
    std::remove(path.c_str());
}

// Closed at start, taken by what gives end of file and refuses writes, so no
// file opened later lands there; a run told stdout was closed writes no result.
TEST(StandardDescriptors, ClosedOnesAreTakenAndRemembered) {
    close(0);
    const ClosedAtStart closed = startedProcess();
    char byte = 0;
    EXPECT_TRUE(closed.input && !closed.output && read(0, &byte, 1) == 0 && write(0, "", 1) < 0);
    EXPECT_EQ(run({"leggipdf", testing::testData("text-three-pages.pdf")}, ClosedAtStart{false, true, false}), 1);
}

}  // namespace
}  // namespace leggipdf
