#include "engine/BookWriter.h"

#include <algorithm>
#include <optional>

#include "decode/AudioProbe.h"
#include "decode/Negotiation.h"
#include "engine/ChapterSample.h"
#include "engine/ChapterTimeline.h"
#include "engine/DetailItems.h"
#include "engine/UnitTask.h"
#include "base/Text.h"
#include "engine/ThreadPool.h"

namespace {
// Shorter units would cost more in opening, settling and skipping than
// sharing the file gains.
constexpr uint32_t kMinUnitSeconds = 30;
constexpr uint32_t kMovieTimeScale = 90000;
constexpr uint8_t kAudioProfileLevel = 255;
constexpr uint8_t kMediaKindAudiobook = 2;
// Units submitted beyond the one being written, per thread of the executor:
// enough to keep every thread busy while finished units wait for the writer,
// few enough that their frames stay a bounded amount of memory.
constexpr size_t kUnitsAheadPerThread = 3;
}  // namespace

CBookWriter::CBookWriter(const sConversionContext& context, CRunState& run)
    : m_context(context), m_run(run), m_pool(*context.m_pPool)
{
}

CBookWriter::~CBookWriter()
{
    FinishOutput(false);
    WaitForJobs();
    m_tasks.clear();
}

void CBookWriter::WriteBook()
{
    m_copyOf = ChooseCopiedStream(m_context.m_files, m_context.m_encoding);
    CreateTasks(PlanUnits());
    WriteFrames();
    // Finished here, on the job thread, so that a failure to finish the file
    // is reported before the conversion counts as complete, and a partial
    // book has its name before the job reports how it ended.
    FinishOutput(!m_run.Stopped());
}

void CBookWriter::FinishOutput(bool complete)
{
    if (!m_file)
        return;
    // A partial book gets its index too, so that it stays readable.
    const bool closed = m_file->Close();
    m_file.reset();
    if (complete) {
        if (closed && m_output->Commit())
            return;
        OnWriteFailure();
    }
    const std::filesystem::path partial = m_output->KeepPartial(m_context.m_bPartialBesideOnly);
    if (!partial.empty())
        m_strPartialBook = FromPath(partial);
}

void CBookWriter::Abandon()
{
    // The conversion has failed: the tasks not yet submitted end here, the
    // others' jobs end on their own.
    SubmitUpTo(m_tasks.size());
    WaitForJobs();
    FinishOutput(false);
}

void CBookWriter::CreateTasks(const std::vector<sWorkUnit>& units)
{
    m_format = WAVEFORMATEX{};
    const auto task = [&](const sWorkUnit& unit, const std::optional<WAVEFORMATEX>& required) {
        m_tasks.push_back(std::make_unique<CUnitTask>(m_context, m_run, static_cast<int>(m_tasks.size()),
                                                      m_context.m_files[unit.file], required,
                                                      m_copyOf ? &*m_copyOf : nullptr, unit));
        if (unit.First())
            m_nTotalSize += m_context.m_files[unit.file].m_nSize;
    };
    if (units.empty())
        return;
    // The first unit fixes the book's format; the job thread waits for it and
    // creates the output file before any other unit is opened.
    task(units.front(), std::nullopt);
    SubmitUpTo(1);
    m_tasks.front()->OpenedEvent().Wait(INFINITE_WAIT);
    if (const std::optional<sTrackSetup> setup = m_tasks.front()->TrackSetup())
        CreateOutput(*setup);
    for (size_t i = 1; i < units.size(); ++i)
        task(units[i], m_format);
    m_bTasksCreated.store(true);
}

void CBookWriter::SubmitUpTo(size_t end)
{
    for (; m_nSubmitted < std::min(end, m_tasks.size()); ++m_nSubmitted) {
        CUnitTask& task = *m_tasks[m_nSubmitted];
        if (m_run.Stopped())
            task.EndWithoutRunning();
        else
            Submit(task);
    }
}

void CBookWriter::Submit(CUnitTask& task)
{
    {
        std::lock_guard<std::mutex> lock(m_jobsLock);
        ++m_nJobs;
    }
    if (m_pool.Submit([this, &task] {
            task.Run();
            JobEnded();
        }))
        return;
    JobEnded();
    m_run.Fail(u"Couldn't start a conversion thread");
    task.EndWithoutRunning();
}

void CBookWriter::JobEnded()
{
    std::lock_guard<std::mutex> lock(m_jobsLock);
    --m_nJobs;
    m_jobsChanged.notify_all();
}

void CBookWriter::WaitForJobs()
{
    std::unique_lock<std::mutex> lock(m_jobsLock);
    m_jobsChanged.wait(lock, [this] { return m_nJobs == 0; });
}

std::optional<sAacStream> ChooseCopiedStream(const std::vector<sInputFile>& files, const sEncodingChoice& encoding)
{
    if (files.empty() || !encoding.MayCopyFrames())
        return std::nullopt;
    std::vector<std::string> paths;
    for (const sInputFile& input : files)
        paths.push_back(ToUtf8(input.m_strPath));
    return CommonAacStream(paths);
}

std::vector<sWorkUnit> CBookWriter::PlanUnits()
{
    const std::vector<sInputFile>& files = m_context.m_files;
    // Every file's stated length gives the progress its total before
    // anything is encoded. A file is cut where the samples of its stretches
    // are found exactly and cheaply: where it decodes at the book's rate
    // (the first file's, made standard) throughout, states its length and
    // lets a sample inside it be reached without decoding what lies before
    // it. Every file whose length is known counts in the unit length. Copied
    // frames are not re-encoded at all.
    std::vector<sPlannedFile> planned(files.size());
    m_fileDurations.assign(files.size(), 0);
    const bool cut = !m_copyOf && m_pool.Size() > 1;
    uint32_t bookRate = 0;
    for (size_t i = 0; i < files.size() && !m_run.Stopped(); ++i) {
        const std::optional<sAudioProbe> probe = ProbeAudio(files[i].m_strPath, m_run.StopFlag());
        if (!probe)
            continue;  // its task says what is wrong with it
        m_fileDurations[i] = probe->duration;
        if (i == 0)
            bookRate = NearestStandardAacRate(probe->rate);
        if (!cut || probe->duration <= 0)
            continue;
        planned[i].frames = static_cast<uint64_t>(probe->duration) * bookRate / 10000000ull / kAacFrameLength;
        planned[i].cuttable = probe->rate == bookRate && probe->direct;
    }
    // Whether a file's rate holds is read only of the files worth cutting.
    const auto rateHolds = [&](size_t i) { return RateHoldsThroughout(files[i].m_strPath, m_run.StopFlag()); };
    std::vector<sWorkUnit> units =
        PlanWorkUnits(planned, m_pool.Size(), uint64_t{bookRate} * kMinUnitSeconds / kAacFrameLength, rateHolds);
    for (sWorkUnit& unit : units)
        unit.prerollFrames = m_context.m_nPrerollFrames;
    return units;
}

void CBookWriter::WriteFrames()
{
    // Positions in presentation time, which starts where the first file's
    // priming ends in the track's media: a file's own audio starts its own
    // priming after its first frame and ends its own sample count later.
    uint64_t chapterStart = 0;
    uint64_t fileStart = 0;    // where the current file's own audio starts
    uint64_t fileSamples = 0;  // its own samples in the units written so far
    // After an abort the book stays a prefix of the whole book: it ends with
    // the frames of the first unit that did not finish; later units' frames,
    // finished or not, are taken and dropped.
    bool prefixEnded = false;
    // The file some of whose audio is in the book but not yet its chapters.
    const sInputFile* partFile = nullptr;
    uint64_t partFileStart = 0;
    const size_t ahead = kUnitsAheadPerThread * static_cast<size_t>(m_pool.Size());
    for (size_t i = 0; i < m_tasks.size(); ++i) {
        SubmitUpTo(i + 1 + ahead);
        CUnitTask* task = m_tasks[i].get();
        CFrameQueue& frames = task->Frames();
        const uint64_t firstFrame = m_nTrackPosition;
        const bool writing = !prefixEnded;  // this unit's frames go into the book
        const auto take = [&](const sEncodedFrame& frame) {
            if (!prefixEnded)
                WriteFrame(frame);
        };
        for (;;) {
            if (auto frame = frames.Pop()) {
                take(*frame);
                continue;
            }
            if (!task->FinishedEvent().Wait(kPollSliceMs))
                continue;
            if (auto frame = frames.Pop()) {
                take(*frame);
                continue;
            }
            break;
        }
        if (!task->Complete())
            prefixEnded = true;
        if (std::u16string warning = task->Warning(); !warning.empty())
            m_warnings.push_back(std::move(warning));
        // Only a file's first unit starts with priming; its later units
        // continue its audio frame by frame.
        const sWorkUnit& unit = task->Unit();
        if (unit.First()) {
            const uint64_t lead = firstFrame + frames.Lead();
            fileStart = lead > m_nEditStart ? lead - m_nEditStart : 0;
            fileSamples = 0;
        }
        fileSamples += frames.FileSamples();
        if (writing) {
            if (unit.First())
                m_fileLevels.clear();
            MergeLevels(m_fileLevels, frames.TakeLevels());
        }
        if (unit.Last() && !m_run.Stopped()) {
            // A file's chapters end where its own audio ends, so the silence
            // that fills the file's last frame and the next file's priming
            // frame open the next chapter: a jump to a chapter neither skips
            // its first sound nor replays the end of the one before. A file
            // whose frames fell short of its samples ends with its frames.
            const uint64_t chapterEnd = std::min(fileStart + fileSamples, m_nTrackPosition);
            WriteChapters(FileChapters(task->Input(), fileStart, chapterStart, chapterEnd, true), chapterEnd);
            chapterStart = chapterEnd;
            partFile = nullptr;
        } else if (unit.First() && writing) {
            partFile = &task->Input();
            partFileStart = fileStart;
        }
    }
    // A stop inside a file of several chapters (its own, or parts of a long
    // one) keeps those of its chapters whose audio is all in the book,
    // placed as they would have been in the whole file (by its stated length).
    if (partFile && m_run.Stopped())
        WritePartialChapters(*partFile, partFileStart, chapterStart);
    // The book ends with the last file's own audio, not with the silence
    // that fills its last frame.
    if (m_file && !m_run.Stopped())
        m_file->SetTrackEditDuration(m_nAudioTrack, chapterStart);
}

std::vector<CBookWriter::sTitledChapter> CBookWriter::FileChapters(const sInputFile& input, uint64_t fileStart,
                                                                    uint64_t chapterStart, uint64_t chapterEnd,
                                                                    bool reportLeftOut)
{
    const uint32_t rate = m_format.nSamplesPerSec;
    std::vector<sLeftOutChapter> leftOut;
    std::vector<sTitledChapter> chapters;
    for (const sPlacedChapter& placed : PlaceFileChapters(input, fileStart, chapterStart, chapterEnd, rate, leftOut))
        chapters.push_back(
            {placed.start, input.m_chapters.empty() ? input.m_strTitle : input.m_chapters[placed.mark].m_strTitle});
    if (reportLeftOut)
        m_leftOut.insert(m_leftOut.end(), leftOut.begin(), leftOut.end());
    return SplitLongChapters(std::move(chapters), fileStart, chapterEnd);
}

std::vector<CBookWriter::sTitledChapter> CBookWriter::SplitLongChapters(std::vector<sTitledChapter> chapters,
                                                                        uint64_t fileStart, uint64_t chapterEnd) const
{
    const sChapterSplit& split = m_context.m_split;
    const uint32_t rate = m_format.nSamplesPerSec;
    if (!split.Splits() || rate == 0)
        return chapters;
    const uint64_t length = SamplesOf100ns(split.m_llLength, rate);
    const bool wholeBook = m_context.m_files.size() == 1 && chapters.size() == 1;
    std::vector<sTitledChapter> parts;
    for (size_t i = 0; i < chapters.size(); ++i) {
        // Cuts are found in the file's samples, then placed where the file's
        // own chapters are (fileStart + position), on the chapter track's
        // ticks. The first chapter opens before the file's audio, with the
        // silence between the files.
        const uint64_t start = std::max(chapters[i].start, fileStart);
        const uint64_t end = i + 1 < chapters.size() ? chapters[i + 1].start : chapterEnd;
        parts.push_back(chapters[i]);
        if (end <= start)
            continue;
        const std::vector<uint64_t> cuts = ChooseCuts(m_fileLevels, LevelWindowSamples(rate), rate, start - fileStart,
                                                      end - fileStart, length, split.m_eMode);
        const int count = static_cast<int>(cuts.size()) + 1;
        for (size_t k = 0; k < cuts.size(); ++k) {
            const uint64_t tick = (fileStart + cuts[k]) * kChapterTimeScale / rate;
            const uint64_t cut = (tick * rate + kChapterTimeScale - 1) / kChapterTimeScale;
            const int part = static_cast<int>(k) + 2;
            parts.push_back({cut, PartTitle(chapters[i].title, part, count, wholeBook)});
        }
    }
    return parts;
}

void CBookWriter::WriteChapters(const std::vector<sTitledChapter>& chapters, uint64_t chapterEnd)
{
    const uint32_t rate = m_format.nSamplesPerSec;
    // Bounds are converted from the running total, so truncation does not
    // add up.
    for (size_t i = 0; i < chapters.size(); ++i) {
        const uint64_t start = chapters[i].start;
        const uint64_t end = i + 1 < chapters.size() ? chapters[i + 1].start : chapterEnd;
        AddChapter(chapters[i].title, ToChapterTicks(end, rate) - ToChapterTicks(start, rate),
                   static_cast<uint64_t>(SamplesTo100ns(start, rate)));
    }
}

void CBookWriter::WritePartialChapters(const sInputFile& input, uint64_t fileStart, uint64_t chapterStart)
{
    const size_t file = static_cast<size_t>(&input - m_context.m_files.data());
    const int64_t stated = file < m_fileDurations.size() ? m_fileDurations[file] : 0;
    if (stated <= 0 || m_nTrackPosition <= chapterStart)
        return;
    std::vector<sTitledChapter> chapters = FileChapters(
        input, fileStart, chapterStart, fileStart + SamplesOf100ns(stated, m_format.nSamplesPerSec), false);
    // The chapters that end where the book's audio still is; the last of
    // them ends where the next would start.
    size_t whole = 0;
    while (whole + 1 < chapters.size() && chapters[whole + 1].start <= m_nTrackPosition)
        ++whole;
    if (whole == 0)
        return;
    const uint64_t end = chapters[whole].start;
    chapters.resize(whole);
    WriteChapters(chapters, end);
}

void CBookWriter::WriteFrame(const sEncodedFrame& frame)
{
    if (!m_file || m_bWriteFailed)
        return;
    // Every frame is presented at its decoding time. Shifting the first file
    // alone by a frame would make presentation times run backwards where the
    // second file begins, which players and decoders reject.
    if (!m_file->WriteSample(m_nAudioTrack, frame.data.get(), static_cast<uint32_t>(frame.size), frame.duration,
                             0, true))
        OnWriteFailure();
    m_nTrackPosition += frame.duration;
}

bool CBookWriter::AddChapter(const std::u16string& title, uint64_t duration, uint64_t start100ns)
{
    if (!m_file || m_bWriteFailed)
        return false;
    const std::vector<uint8_t> sample = BuildChapterSample(title);
    const bool written = m_file->WriteSample(m_nChapterTrack, sample.data(), static_cast<uint32_t>(sample.size()),
                                             duration, 0, true);
    if (!written) {
        OnWriteFailure();
        return false;
    }
    m_file->AddNeroChapter(start100ns, ToUtf8(FitChapterTitle(title)));
    return true;
}

void CBookWriter::OnWriteFailure()
{
    if (m_bWriteFailed)
        return;
    m_bWriteFailed = true;
    m_run.Fail(FormatWithPath(u"Couldn't write output file %ls\n", m_context.m_strOutput));
}

void CBookWriter::CreateOutput(const sTrackSetup& setup)
{
    const WAVEFORMATEX& format = setup.format;
    m_format = format;
    m_nEditStart = setup.delay;
    m_output.emplace(ToPath(m_context.m_strOutput));
    m_file = mp4::File::Create(m_output->WritePath());
    if (!m_file) {
        m_run.Fail(FormatWithPath(u"Couldn't create output file %ls\n", m_context.m_strOutput));
        return;
    }
    m_file->SetTimeScale(kMovieTimeScale);
    m_nAudioTrack = m_file->AddAudioTrack(format.nSamplesPerSec, mp4::INVALID_DURATION, mp4::MPEG4_AUDIO_TYPE);
    m_nChapterTrack = m_file->AddChapterTextTrack(m_nAudioTrack, 0);
    m_file->SetTrackTimeScale(m_nChapterTrack, kChapterTimeScale);
    m_file->SetAudioProfileLevel(kAudioProfileLevel);
    m_file->SetTrackESConfiguration(m_nAudioTrack, setup.config.data(), static_cast<uint32_t>(setup.config.size()));
    // The encoder delays its output: the book's first frames are priming,
    // which the audio track's edit list skips. Every later file's priming
    // opens its chapter.
    m_file->SetTrackEditStart(m_nAudioTrack, setup.delay);
    if (!setup.tool.empty())
        m_file->SetMetadataTool(setup.tool);

    WriteDetails(*m_file, m_context.m_metadata.m_details);
    if (const sCoverData& cover = m_context.m_cover; cover.Size() != 0)
        m_file->SetMetadataCoverArt(cover.m_data.data(), cover.Size());
    m_file->SetMetadataMediaKind(kMediaKindAudiobook);
}

void CBookWriter::GetProgress(int& position, int& total) const
{
    if (!m_bTasksCreated.load()) {
        total = 0;
        return;
    }
    // Summed per file, so that a file cut into units counts as a file, with
    // its whole playing time and its size: a file's stated length counts from
    // the start, a file that states none once one of its units is open; the
    // rest is estimated in proportion to their sizes.
    int64_t durations = 0;
    int64_t positions = 0;
    uint32_t sizes = 0;
    int64_t fileDuration = 0;
    int64_t filePosition = 0;
    bool fileOpen = false;
    for (const auto& task : m_tasks) {
        int64_t taskPosition = 0;
        int64_t taskDuration = 0;
        task->GetProgress(taskPosition, taskDuration);
        if (taskDuration != 0) {
            fileOpen = true;
            fileDuration += taskDuration;
            filePosition += taskPosition;
        }
        const sWorkUnit& unit = task->Unit();
        if (!unit.Last())
            continue;
        if (m_fileDurations[unit.file] > 0) {
            fileDuration = m_fileDurations[unit.file];
            fileOpen = true;
        }
        if (fileOpen) {
            durations += fileDuration;
            positions += filePosition;
            sizes += task->Input().m_nSize;
        }
        fileDuration = filePosition = 0;
        fileOpen = false;
    }
    constexpr int64_t kSecond = 10000000;
    position = static_cast<int>(static_cast<uint32_t>(positions / kSecond));
    total = static_cast<int>(EstimateTotal(static_cast<uint32_t>(durations / kSecond), sizes, m_nTotalSize));
}

uint32_t EstimateTotal(uint32_t durations, uint32_t sizes, uint32_t totalSize)
{
    const uint32_t rest = totalSize - sizes;
    if (durations == 0 || sizes == 0 || rest == 0)
        return durations;
    const double scaled = static_cast<double>(durations) / static_cast<double>(sizes) * static_cast<double>(rest);
    return durations + static_cast<uint32_t>(static_cast<uint64_t>(scaled));
}
