#include "CliSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace clitest {

namespace {

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

CCliProcess::CCliProcess(const fs::path& folder, const std::vector<std::string>& arguments,
                         const fs::path& standardOutput)
{
    static int counter = 0;
    const std::string stem = "tavlin-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    m_outFile = fs::temp_directory_path() / (stem + ".out");
    m_errFile = fs::temp_directory_path() / (stem + ".err");
    std::vector<std::string> argv{TAVLIN_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid == 0) {
        const fs::path& outFile = standardOutput.empty() ? m_outFile : standardOutput;
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(m_errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
}

CCliProcess::~CCliProcess()
{
    if (m_pid > 0 && !m_bEnded) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    std::error_code error;
    fs::remove(m_outFile, error);
    fs::remove(m_errFile, error);
}

void CCliProcess::Signal(int signal) const
{
    if (m_pid > 0 && !m_bEnded)
        ::kill(m_pid, signal);
}

bool CCliProcess::WaitUntilBlockedInOpen(int seconds) const
{
    // /proc/PID/task/TID/syscall starts with the number of the call a
    // blocked thread is in.
    const std::string openat = std::to_string(SYS_openat) + " ";
    const auto inOpen = [&] {
        std::error_code error;
        for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(m_pid) + "/task", error)) {
            std::ifstream in(task.path() / "syscall");
            std::string line;
            if (std::getline(in, line) && line.rfind(openat, 0) == 0)
                return true;
        }
        return false;
    };
    // Blocked, not just passing through an open: seen in it five times running.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (int seen = 0; std::chrono::steady_clock::now() < deadline;) {
        seen = inOpen() ? seen + 1 : 0;
        if (seen == 5)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool CCliProcess::HasEnded()
{
    if (m_bEnded || m_pid <= 0)
        return true;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return false;
    m_bEnded = true;
    m_result.m_nExitCode = ExitCodeOf(status);
    m_result.m_nEndSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
}

sCliResult CCliProcess::Wait()
{
    if (!m_bEnded && m_pid > 0) {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_bEnded = true;
        m_result.m_nExitCode = ExitCodeOf(status);
        m_result.m_nEndSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    m_result.m_strOut = testsupport::ReadText(m_outFile);
    m_result.m_strErr = testsupport::ReadText(m_errFile);
    return m_result;
}

sCliResult RunCli(const fs::path& folder, const std::vector<std::string>& arguments, const fs::path& standardOutput)
{
    CCliProcess process(folder, arguments, standardOutput);
    return process.Wait();
}

sCliResult RunCliWithin(const fs::path& folder, const std::vector<std::string>& arguments, int seconds)
{
    CCliProcess process(folder, arguments);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!process.HasEnded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool timedOut = !process.HasEnded();
    if (timedOut)
        process.Signal(SIGKILL);
    sCliResult result = process.Wait();
    result.m_bTimedOut = timedOut;
    return result;
}

fs::path TemporaryBook(const fs::path& folder, const std::string& name, int pid)
{
    return folder / ("." + name + ".tavlin-partial-" + std::to_string(pid) + ".m4b");
}

bool WaitUntilWritten(CCliProcess& process, const fs::path& file, uintmax_t bytes)
{
    while (!process.HasEnded()) {
        std::error_code error;
        const uintmax_t size = fs::file_size(file, error);
        if (!error && size > bytes)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::map<std::string, std::string> Probe(const fs::path& file)
{
    const testsupport::CommandResult result = testsupport::Run(
        {"ffprobe", "-v", "error", "-show_format", "-show_streams", "-show_chapters", "-of", "flat", file.string()});
    std::map<std::string, std::string> values;
    if (result.exitCode != 0)
        return values;
    size_t start = 0;
    while (start < result.output.size()) {
        size_t end = result.output.find('\n', start);
        if (end == std::string::npos)
            end = result.output.size();
        const std::string line = result.output.substr(start, end - start);
        start = end + 1;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        values[line.substr(0, equals)] = value;
    }
    return values;
}

std::vector<uint8_t> ExtractCover(const fs::path& book, const fs::path& scratch)
{
    const fs::path out = scratch / "extracted-cover.bin";
    const testsupport::CommandResult result = testsupport::Run(
        {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", book.string(), "-map", "0:v", "-c", "copy", "-f", "image2",
         out.string()});
    if (result.exitCode != 0)
        return {};
    return testsupport::ReadAll(out);
}

void MakeTaggedMp3(const fs::path& file, double seconds, const std::map<std::string, std::string>& tags)
{
    std::vector<std::string> args{"-c:a", "libmp3lame", "-id3v2_version", "3"};
    for (const auto& [key, value] : tags) {
        args.push_back("-metadata");
        args.push_back(key + "=" + value);
    }
    testsupport::GenerateTone(file, seconds, 44100, 2, 440.0, args);
}

void MakePicture(const fs::path& file, const std::string& color)
{
    const testsupport::CommandResult result =
        testsupport::Run({"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                          "color=c=" + color + ":s=32x32", "-frames:v", "1", file.string()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
}

// Four files of 4 minutes: the conversion is still running when it is
// stopped.
std::string Value(const std::map<std::string, std::string>& probe, const std::string& key)
{
    const auto it = probe.find(key);
    return it == probe.end() ? std::string("<missing>") : it->second;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

void MakeLongBook(const fs::path& folder)
{
    fs::create_directories(folder);
    for (const char* name : {"01.wav", "02.wav", "03.wav", "04.wav"})
        testsupport::GenerateTone(folder / name, 240.0, 22050, 1);
}

}  // namespace clitest
