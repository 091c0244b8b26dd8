#pragma once
// Running tavlin-cli and reading back what it wrote.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace clitest {

struct sCliResult {
    int m_nExitCode = -1;   // 128 + the signal's number when a signal ended it
    int m_nEndSignal = 0;   // the signal that ended it, 0 when it exited
    std::string m_strOut;  // standard output
    std::string m_strErr;  // standard error
    bool m_bTimedOut = false;  // killed after the time allowed
};

// Runs tavlin-cli with `arguments` in `folder`; waits for it. With
// `standardOutput` its output goes to that file (m_strOut stays empty).
sCliResult RunCli(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                  const std::filesystem::path& standardOutput = {});
// The same, killing it when it has not ended within `seconds`.
sCliResult RunCliWithin(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                        int seconds);

// A running tavlin-cli whose output goes to files; waits for it (and cleans
// up) on destruction if nobody did.
class CCliProcess {
public:
    CCliProcess(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                const std::filesystem::path& standardOutput = {});
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

    int Pid() const { return m_pid; }
    void Signal(int signal) const;
    bool HasEnded();
    // Waits at most `seconds` until one of its threads is blocked in opening
    // a file (a FIFO nobody reads); true when one is.
    bool WaitUntilBlockedInOpen(int seconds) const;
    sCliResult Wait();

private:
    int m_pid = -1;
    std::filesystem::path m_outFile, m_errFile;
    sCliResult m_result;
    bool m_bEnded = false;
};

// Where the run with process id `pid` writes the book `name` in `folder`
// until the book is complete.
std::filesystem::path TemporaryBook(const std::filesystem::path& folder, const std::string& name, int pid);

// Waits until `file` holds more than `bytes`; false when the process ended
// first.
bool WaitUntilWritten(CCliProcess& process, const std::filesystem::path& file, uintmax_t bytes);

// ffprobe's flat listing of the format, streams and chapters: key -> value,
// values without their quotes. Empty when ffprobe cannot read the file.
std::map<std::string, std::string> Probe(const std::filesystem::path& file);

// The attached cover picture's bytes, copied out with the ffmpeg tool.
std::vector<uint8_t> ExtractCover(const std::filesystem::path& book, const std::filesystem::path& scratch);

// Writes `seconds` of tone with tags, through the ffmpeg tool.
void MakeTaggedMp3(const std::filesystem::path& file, double seconds, const std::map<std::string, std::string>& tags);
void MakePicture(const std::filesystem::path& file, const std::string& color);

// The probe's value of `key`, or "<missing>".
std::string Value(const std::map<std::string, std::string>& probe, const std::string& key);

// Whether `text` holds `part`.
bool Contains(const std::string& text, const std::string& part);

// Four files of 4 minutes: a conversion of them is still running when it is
// stopped.
void MakeLongBook(const std::filesystem::path& folder);

}  // namespace clitest
