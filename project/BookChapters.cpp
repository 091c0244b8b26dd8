#include "project/BookChapters.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

#include "aac/AacEncoder.h"
#include "base/Text.h"
#include "decode/AacFrames.h"
#include "decode/AudioProbe.h"
#include "decode/Negotiation.h"
#include "engine/BookWriter.h"
#include "engine/ChapterTimeline.h"
#include "mp4/MetadataItems.h"

namespace {

// The book's sample rate and the priming ahead of each file's own audio, as
// the writer will find them: copied frames keep their files' own priming;
// encoded ones start with the encoder's, at the first file's rate made
// standard. Rate 0 when it cannot be found.
uint32_t FindRateAndLeads(const std::vector<sInputFile>& files, const sEncodingChoice& encoding,
                          std::vector<uint64_t>& leads)
{
    leads.assign(files.size(), 0);
    if (const std::optional<sAacStream> stream = ChooseCopiedStream(files, encoding)) {
        for (size_t i = 0; i < files.size(); ++i) {
            CAacFrameReader reader;
            if (reader.Open(ToUtf8(files[i].m_strPath)))
                leads[i] = reader.Delay();
        }
        return stream->m_nSampleRate;
    }
    const std::atomic<bool> noStop{false};
    const std::optional<sAudioProbe> probe = ProbeAudio(files.front().m_strPath, noStop);
    if (!probe || probe->rate == 0)
        return 0;
    const uint32_t rate = NearestStandardAacRate(probe->rate);
    unsigned int frameLength = 0;
    unsigned long maxOutputBytes = 0;
    const std::unique_ptr<aac::Encoder> encoder = aac::Encoder::Open(rate, 1, frameLength, maxOutputBytes);
    if (!encoder)
        return 0;
    leads.assign(files.size(), encoder->Delay());
    return rate;
}

}  // namespace

std::vector<sBookChapter> ListBookChapters(const std::vector<sInputFile>& files, const std::vector<int64_t>& durations,
                                           const sEncodingChoice& encoding)
{
    std::vector<sBookChapter> list;
    if (files.empty())
        return list;
    std::vector<uint64_t> leads;
    const uint32_t rate = FindRateAndLeads(files, encoding, leads);
    const auto add = [&](size_t file, size_t mark) {
        const sInputFile& input = files[file];
        sBookChapter chapter;
        chapter.m_nNumber = static_cast<int>(list.size()) + 1;
        chapter.m_strTitle = input.m_chapters.empty() ? input.m_strTitle : input.m_chapters[mark].m_strTitle;
        chapter.m_strPath = input.m_strPath;
        chapter.m_nFile = file;
        chapter.m_nMark = mark;
        list.push_back(std::move(chapter));
        return &list.back();
    };
    if (rate == 0) {
        // Nothing can be placed: every chapter the files bring, without times.
        for (size_t f = 0; f < files.size(); ++f) {
            for (size_t m = 0; m < std::max<size_t>(1, files[f].m_chapters.size()); ++m)
                add(f, m);
        }
        return list;
    }
    std::vector<sTimelineFile> timelineFiles;
    for (size_t f = 0; f < files.size(); ++f)
        timelineFiles.push_back({&files[f], SamplesOf100ns(durations[f], rate), leads[f]});
    for (const sTimelineChapter& placed : PlanChapterTimeline(timelineFiles, rate)) {
        sBookChapter* chapter = add(placed.file, placed.mark);
        if (placed.start)
            chapter->m_start = SamplesTo100ns(*placed.start, rate);
        if (placed.start && placed.end)
            chapter->m_length = SamplesTo100ns(*placed.end, rate) - *chapter->m_start;
    }
    return list;
}

std::u16string FormatBookTime(const std::optional<int64_t>& time100ns)
{
    return time100ns ? FormatChapterTime(*time100ns) : u"unknown";
}

std::u16string TooManyChaptersText(size_t count)
{
    constexpr size_t kMost = mp4::MetadataItems::MAX_CHAPTERS;
    if (count <= kMost)
        return {};
    return FromUtf8(std::to_string(count) + " chapters: players that read the Nero chapter list show only the first " +
                    std::to_string(kMost));
}
