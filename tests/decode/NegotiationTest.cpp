// Which PCM format a decoded stream is read in.
#include <gtest/gtest.h>

#include "decode/Negotiation.h"

TEST(NearestRate, StandardRatesStayAndOthersMoveToTheNearest)
{
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {44100, 44100}, {11025, 11025}, {7350, 7350},   {96000, 96000}, {12345, 12000}, {46000, 44100},
        {47000, 48000}, {14000, 16000}, {100, 7350},    {0, 7350},      {192000, 96000}, {22000, 22050},
    };
    for (const auto& [rate, expected] : cases)
        EXPECT_EQ(NearestStandardAacRate(rate), expected) << rate;
}

// A first file keeps mono or stereo at the nearest standard rate and mixes
// more channels down to stereo; a later file takes exactly the book's format,
// when one can be produced.
TEST(OutputFormat, FirstFileFixesItLaterFilesTakeTheBooks)
{
    struct Case {
        uint32_t rate;
        int channels;
        std::optional<sPcmFormat> required;
        std::optional<sPcmFormat> expected;
    };
    const Case cases[] = {
        {22050, 1, std::nullopt, sPcmFormat{22050, 1}},   {44100, 2, std::nullopt, sPcmFormat{44100, 2}},
        {48000, 6, std::nullopt, sPcmFormat{48000, 2}},   {12345, 1, std::nullopt, sPcmFormat{12000, 1}},
        {44100, 2, sPcmFormat{22050, 1}, sPcmFormat{22050, 1}},
        {12345, 6, sPcmFormat{12000, 2}, sPcmFormat{12000, 2}},
        {44100, 2, sPcmFormat{500, 2}, std::nullopt},     {44100, 2, sPcmFormat{44100, 9}, std::nullopt},
        {0, 2, std::nullopt, std::nullopt},               {44100, 0, sPcmFormat{44100, 2}, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<sPcmFormat> chosen = ChooseOutputFormat(c.rate, c.channels, c.required);
        EXPECT_EQ(chosen, c.expected) << c.rate << " Hz, " << c.channels << " ch"
                                      << (c.required ? ", a later file" : ", the first file");
    }
}
