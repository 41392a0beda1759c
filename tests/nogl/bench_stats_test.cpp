// The order statistics and the JSON writer behind the benchmark figures.
#include "BenchStats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string written(void (*write)(JsonWriter&))
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    JsonWriter json(out);
    write(json);
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

} // namespace

TEST(BenchStats, PercentilesInterpolateBetweenRanksOfUnsortedSamples)
{
    const std::vector<double> samples = {9.0, 1.0, 5.0, 3.0, 7.0};
    EXPECT_DOUBLE_EQ(median(samples), 5.0);
    EXPECT_DOUBLE_EQ(percentile(samples, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(percentile(samples, 100.0), 9.0);
    // Rank 0.95 * 4 = 3.8: between 7 and 9.
    EXPECT_DOUBLE_EQ(percentile(samples, 95.0), 8.6);
    // An even count: the median lies between the two middle samples.
    EXPECT_DOUBLE_EQ(median({4.0, 1.0, 2.0, 3.0}), 2.5);
    EXPECT_DOUBLE_EQ(median({42.0}), 42.0);
    EXPECT_DOUBLE_EQ(median({}), 0.0);
    // Out-of-range percentiles clamp to the extremes.
    EXPECT_DOUBLE_EQ(percentile(samples, 120.0), 9.0);
    EXPECT_DOUBLE_EQ(percentile(samples, -5.0), 1.0);
    // The caller's samples keep their order.
    EXPECT_EQ(samples, (std::vector<double>{9.0, 1.0, 5.0, 3.0, 7.0}));
}

TEST(BenchStats, JsonWriterNestsObjectsEscapesTextAndWritesNoNonFiniteNumbers)
{
    const std::string text = written([](JsonWriter& json) {
        json.beginObject();
        json.string("renderer", "llvmpipe \"x\"\\\n");
        json.beginObject("frame_ms");
        json.number("median", 12.5);
        json.number("ratio", std::numeric_limits<double>::infinity());
        json.number("nan", std::nan(""));
        json.endObject();
        json.beginObject("empty");
        json.endObject();
        json.integer("frames", 300);
        json.endObject();
    });
    EXPECT_EQ(text, "{\n"
                    "  \"renderer\": \"llvmpipe \\\"x\\\"\\\\\\n\",\n"
                    "  \"frame_ms\": {\n"
                    "    \"median\": 12.5,\n"
                    "    \"ratio\": null,\n"
                    "    \"nan\": null\n"
                    "  },\n"
                    "  \"empty\": {\n"
                    "  },\n"
                    "  \"frames\": 300\n"
                    "}\n");
    EXPECT_EQ(jsonEscape(std::string("a\tb\x01", 4)), "a\\tb\\u0001");
}
