#pragma once
// Helpers shared by the tests: a temporary folder that removes itself, running
// a command and capturing its output, and generating audio with the ffmpeg tool.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct CommandResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error together
};

// Runs `argv` (no shell) and captures its output.
CommandResult Run(const std::vector<std::string>& argv);

// Writes `seconds` of a sine tone at `frequency` Hz into `file` through the
// ffmpeg tool; `extraArgs` chooses codec and options (e.g. {"-c:a","libmp3lame"}).
// Fails the current test when ffmpeg fails.
void GenerateTone(const std::filesystem::path& file, double seconds, int sampleRate, int channels,
                  double frequency = 440.0, const std::vector<std::string>& extraArgs = {});

// One chapter of generated audio: 250 ms of silence, then a tone.
struct ToneChapter {
    double toneSeconds = 0;
    std::string title;
};
// Writes mono 44.1 kHz audio of these chapters into `file` through the ffmpeg
// tool, which writes the chapter list into the container (MP4 chapters, ID3
// CHAP frames) when `chaptered`; `codecArgs` chooses the codec. Returns where
// each chapter starts, in seconds.
std::vector<double> GenerateToneChapters(const std::filesystem::path& file, const std::vector<ToneChapter>& chapters,
                                         const std::vector<std::string>& codecArgs, bool chaptered = true);

// One [CHAPTER] section of an ffmetadata text, in milliseconds; an empty
// title writes none.
struct MetadataChapter {
    int startMs = 0;
    int endMs = 0;
    std::string title;
};
// ";FFMETADATA1" and a [CHAPTER] section for each chapter.
std::string FfmetadataChapters(const std::vector<MetadataChapter>& chapters);

// Writes `seconds` of a mono 440 Hz tone into `file` through the ffmpeg tool,
// with the ffmetadata text `metadata` (";FFMETADATA1", tags, [CHAPTER]
// sections) mapped into its container; `codecArgs` chooses the codec.
void GenerateToneWithMetadata(const std::filesystem::path& file, double seconds, const std::string& metadata,
                              const std::vector<std::string>& codecArgs);

// Copies the MP3 `mp3` into `out` with `picture` stored inside it as its
// front cover (an ID3v2.3 APIC frame), through the ffmpeg tool.
void EmbedCover(const std::filesystem::path& mp3, const std::filesystem::path& picture,
                const std::filesystem::path& out);

// Interleaved 16-bit sine samples, generated in code.
std::vector<int16_t> SineSamples(size_t framesPerChannel, int channels, int sampleRate, double frequency,
                                 double amplitude = 0.5);

std::vector<uint8_t> ReadAll(const std::filesystem::path& file);
std::string ReadText(const std::filesystem::path& file);
// The file decoded by the ffmpeg tool to mono 44.1 kHz 16-bit samples;
// `filter` is put between input and output (for example an -af chain).
std::vector<int16_t> DecodeMono(const std::filesystem::path& file, const std::filesystem::path& scratch,
                                const std::vector<std::string>& filter = {});
// Where each tone stops in mono 44.1 kHz samples, in seconds: its last loud
// sample, followed by at least 10 ms of quiet or by the end.
std::vector<double> ToneStops(const std::vector<int16_t>& pcm);
void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
void WriteText(const std::filesystem::path& file, const std::string& text);

}  // namespace testsupport
