#pragma once
// The PCM types a decoding graph offers its renderer, in the order in which
// automatic connection would try them.
#include <cstdint>
#include <vector>

#include "decode/MediaType.h"
#include "base/WaveFormat.h"

// The sample rates the AAC encoder takes, highest first.
const std::vector<uint32_t>& StandardAacRates();

// `rate` itself when the AAC encoder takes it, otherwise the nearest rate it
// takes (the higher one on a tie).
uint32_t NearestStandardAacRate(uint32_t rate);

// True when the converter can produce exactly this record: plain 16-bit PCM
// with a consistent block size and byte rate and no extra bytes.
bool CanProducePcm(const WAVEFORMATEX& format);

// Candidate types for a decoded stream of `nativeRate` Hz and `nativeChannels`
// channels: the native layout as 16-bit PCM (at most two channels), the same
// rate as stereo, and the required format when there is one. A first file
// (no required format) is offered at the nearest standard AAC rate, so that
// the book's format is one the encoder accepts. Duplicates are left out.
std::vector<CMediaType> CandidateTypes(uint32_t nativeRate, int nativeChannels, const WAVEFORMATEX* required);
