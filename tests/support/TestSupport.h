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

// Interleaved 16-bit sine samples, generated in code.
std::vector<int16_t> SineSamples(size_t framesPerChannel, int channels, int sampleRate, double frequency,
                                 double amplitude = 0.5);

std::vector<uint8_t> ReadAll(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
void WriteText(const std::filesystem::path& file, const std::string& text);

}  // namespace testsupport
