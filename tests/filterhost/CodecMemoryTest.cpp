// The readers on a file's bytes in memory give what the file readers give:
// the same document from a good file, the same message from a broken one.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "filterhost/Codecs.h"
#include "filterhost/HostLib.h"
#include "hostlib/HostError.h"
#include "tests/filterhost/Support.h"

namespace {

using filterhost::Document;

struct Reader {
    const char* corpus;  // folder under fuzz/corpus/
    const char* extension;
    Document (*file)(const std::string&);
    Document (*memory)(const uint8_t*, size_t, const std::string&);
};

constexpr Reader kReaders[] = {
    {"tiff", ".tif", &filterhost::ReadTiff, &filterhost::ReadTiffFromMemory},
    {"png", ".png", &filterhost::ReadPng, &filterhost::ReadPngFromMemory},
    {"jpeg", ".jpg", &filterhost::ReadJpeg, &filterhost::ReadJpegFromMemory},
};

std::string Outcome(const std::function<Document()>& read, Document* doc) {
    try {
        *doc = read();
        return "ok";
    } catch (const filterhost::HostError& e) {
        return e.what();
    }
}

void ExpectSameDocument(const Document& a, const Document& b) {
    EXPECT_EQ(a.model, b.model);
    EXPECT_EQ(a.labEncoding, b.labEncoding);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.depth, b.depth);
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_EQ(a.extraCount, b.extraCount);
    EXPECT_EQ(a.extras, b.extras);
    EXPECT_EQ(a.icc, b.icc);
    EXPECT_EQ(a.resolution.has_value(), b.resolution.has_value());
    EXPECT_EQ(a.orientation, b.orientation);
}

// Every seed image of the fuzz corpora, whole and cut short at a few points.
TEST(CodecMemory, ReadsLikeTheFileReaderWholeAndTruncated) {
    const fhtest::TempDir dir;
    int documents = 0;
    for (const Reader& reader : kReaders) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(FUZZ_CORPUS_DIR) +
                                                                     "/" + reader.corpus)) {
            const auto whole = fhtest::ReadBytes(entry.path().string());
            for (size_t keep : {whole.size(), whole.size() / 2, size_t(40), size_t(8), size_t(0)}) {
                if (keep > whole.size()) continue;
                SCOPED_TRACE(entry.path().filename().string() + " cut to " + std::to_string(keep));
                const std::string path = dir / ("in" + std::string(reader.extension));
                fhtest::WriteBytes(path, {whole.begin(), whole.begin() + std::ptrdiff_t(keep)});
                Document fromFile, fromMemory;
                const std::string fileOutcome =
                    Outcome([&] { return reader.file(path); }, &fromFile);
                const std::string memoryOutcome =
                    Outcome([&] { return reader.memory(whole.data(), keep, path); }, &fromMemory);
                EXPECT_EQ(memoryOutcome, fileOutcome);
                if (fileOutcome == "ok" && memoryOutcome == "ok") {
                    ExpectSameDocument(fromMemory, fromFile);
                    ++documents;
                }
            }
        }
    }
    EXPECT_GE(documents, 10);  // the corpora hold that many good images
}

}  // namespace
