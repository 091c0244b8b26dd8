#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Restore permissions a test may have taken away, so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

CommandResult Run(const std::vector<std::string>& argv)
{
    CommandResult result;
    int fds[2];
    if (::pipe(fds) != 0)
        return result;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

void GenerateTone(const std::filesystem::path& file, double seconds, int sampleRate, int channels,
                  double frequency, const std::vector<std::string>& extraArgs)
{
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "sine=frequency=" + std::to_string(frequency) + ":sample_rate=" +
                                         std::to_string(sampleRate) + ":duration=" + std::to_string(seconds),
                                     "-ac", std::to_string(channels)};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    argv.push_back(file.string());
    const auto r = Run(argv);
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

std::vector<double> GenerateToneChapters(const std::filesystem::path& file, const std::vector<ToneChapter>& chapters,
                                         const std::vector<std::string>& codecArgs, bool chaptered)
{
    constexpr int kRate = 44100;
    const size_t silence = kRate / 4;
    std::vector<int16_t> pcm;
    std::vector<size_t> starts;
    std::string metadata = ";FFMETADATA1\n";
    for (const ToneChapter& chapter : chapters) {
        starts.push_back(pcm.size());
        pcm.resize(pcm.size() + silence);
        const auto tone = SineSamples(static_cast<size_t>(std::lround(chapter.toneSeconds * kRate)), 1, kRate, 440.0);
        pcm.insert(pcm.end(), tone.begin(), tone.end());
    }
    for (size_t i = 0; i < chapters.size(); ++i)
        metadata += "[CHAPTER]\nTIMEBASE=1/" + std::to_string(kRate) + "\nSTART=" + std::to_string(starts[i]) +
                    "\nEND=" + std::to_string(i + 1 < starts.size() ? starts[i + 1] : pcm.size()) +
                    "\ntitle=" + chapters[i].title + "\n";
    const auto raw = std::filesystem::path(file).concat(".raw");
    const auto meta = std::filesystem::path(file).concat(".meta");
    std::vector<uint8_t> bytes(pcm.size() * 2);
    std::memcpy(bytes.data(), pcm.data(), bytes.size());
    WriteAll(raw, bytes);
    WriteText(meta, metadata);
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "s16le", "-ar",
                                     std::to_string(kRate), "-ac", "1", "-i", raw.string()};
    if (chaptered)
        argv.insert(argv.end(), {"-i", meta.string(), "-map_metadata", "1", "-map_chapters", "1"});
    argv.insert(argv.end(), codecArgs.begin(), codecArgs.end());
    argv.push_back(file.string());
    const auto r = Run(argv);
    std::filesystem::remove(raw);
    std::filesystem::remove(meta);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::vector<double> seconds;
    for (size_t start : starts)
        seconds.push_back(static_cast<double>(start) / kRate);
    return seconds;
}

std::string FfmetadataChapters(const std::vector<MetadataChapter>& chapters)
{
    std::string text = ";FFMETADATA1\n";
    for (const MetadataChapter& chapter : chapters) {
        text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + std::to_string(chapter.startMs) +
                "\nEND=" + std::to_string(chapter.endMs) + "\n";
        if (!chapter.title.empty())
            text += "title=" + chapter.title + "\n";
    }
    return text;
}

void GenerateToneWithMetadata(const std::filesystem::path& file, double seconds, const std::string& metadata,
                              const std::vector<std::string>& codecArgs)
{
    const auto meta = std::filesystem::path(file).concat(".meta");
    WriteText(meta, metadata);
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "sine=sample_rate=44100:duration=" + std::to_string(seconds),
                                     "-i", meta.string(), "-map_metadata", "1", "-map_chapters", "1"};
    argv.insert(argv.end(), codecArgs.begin(), codecArgs.end());
    argv.push_back(file.string());
    const auto r = Run(argv);
    std::filesystem::remove(meta);
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

void EmbedCover(const std::filesystem::path& mp3, const std::filesystem::path& picture,
                const std::filesystem::path& out)
{
    const auto r = Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", mp3.string(), "-i", picture.string(), "-map",
                        "0", "-map", "1", "-c", "copy", "-id3v2_version", "3", "-metadata:s:v",
                        "comment=Cover (front)", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

std::vector<int16_t> DecodeMono(const std::filesystem::path& file, const std::filesystem::path& scratch,
                                const std::vector<std::string>& filter)
{
    const auto pcmFile = scratch / "decoded.raw";
    std::vector<std::string> command = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", file.string()};
    command.insert(command.end(), filter.begin(), filter.end());
    command.insert(command.end(), {"-f", "s16le", "-ac", "1", "-ar", "44100", pcmFile.string()});
    const auto r = Run(command);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const auto bytes = ReadAll(pcmFile);
    std::vector<int16_t> pcm(bytes.size() / 2);
    std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
    return pcm;
}

std::vector<double> ToneStops(const std::vector<int16_t>& pcm)
{
    std::vector<double> stops;
    size_t lastLoud = 0;
    bool inTone = false;
    for (size_t i = 0; i < pcm.size(); ++i) {
        if (std::abs(pcm[i]) > 3000) {
            lastLoud = i;
            inTone = true;
        } else if (inTone && i - lastLoud >= 441) {
            stops.push_back(static_cast<double>(lastLoud + 1) / 44100.0);
            inTone = false;
        }
    }
    if (inTone)
        stops.push_back(static_cast<double>(lastLoud + 1) / 44100.0);
    return stops;
}

std::vector<int16_t> SineSamples(size_t framesPerChannel, int channels, int sampleRate, double frequency,
                                 double amplitude)
{
    std::vector<int16_t> out(framesPerChannel * static_cast<size_t>(channels));
    for (size_t i = 0; i < framesPerChannel; ++i) {
        const double v = amplitude * std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / sampleRate);
        for (int c = 0; c < channels; ++c)
            out[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = static_cast<int16_t>(std::lround(v * 32767.0));
    }
    return out;
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& file)
{
    const std::vector<uint8_t> bytes = ReadAll(file);
    return std::string(bytes.begin(), bytes.end());
}

void WriteAll(const std::filesystem::path& file, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary);
    out << text;
}

}  // namespace testsupport
