#include "project/TagHelper.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <system_error>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "base/Diagnostics.h"
#include "base/FileDescriptor.h"
#include "project/TagHelperProtocol.h"
#include "base/Text.h"

extern char** environ;

namespace {

constexpr const char* HELPER_NAME = "tavlin-tags";
// How long a helper that closed its output may take to end before it is
// killed; only its end's description in the debug line waits for it.
constexpr auto END_GRACE = std::chrono::milliseconds(1000);
constexpr size_t READ_CHUNK = 65536;

using Clock = std::chrono::steady_clock;

// The request for paths[first...] in a file in memory, read from its start:
// handing it over never waits for the helper.
CFileDescriptor MakeRequest(const std::vector<std::u16string>& paths, size_t first)
{
    std::string request;
    for (size_t i = first; i < paths.size(); ++i) {
        request += ToPath(paths[i]).native();
        request += tagprotocol::PATH_END;
    }
    CFileDescriptor file(::memfd_create("tavlin-tags-request", MFD_CLOEXEC));
    if (file.Get() < 0 || !WriteAll(file.Get(), request) || ::lseek(file.Get(), 0, SEEK_SET) != 0)
        return CFileDescriptor(-1);
    return file;
}

struct sSpawnActions {
    posix_spawn_file_actions_t m_actions;
    sSpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~sSpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    sSpawnActions(const sSpawnActions&) = delete;
    sSpawnActions& operator=(const sSpawnActions&) = delete;
};

struct sSpawnAttributes {
    posix_spawnattr_t m_attributes;
    sSpawnAttributes() { posix_spawnattr_init(&m_attributes); }
    ~sSpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    sSpawnAttributes(const sSpawnAttributes&) = delete;
    sSpawnAttributes& operator=(const sSpawnAttributes&) = delete;
};

std::string DescribeStatus(int status)
{
    if (WIFSIGNALED(status))
        return Printf("ended by signal %d", WTERMSIG(status));
    return Printf("ended with status %d", WEXITSTATUS(status));
}

// One helper process reading paths[first...]; killed and reaped on
// destruction if it is still there.
class CHelperRun {
public:
    enum class eNext { Answer, Stopped, Ended, Broken };

    CHelperRun(const std::filesystem::path& helper, const std::vector<std::u16string>& paths, size_t first,
               const sTagReadLimits& limits)
    {
        const CFileDescriptor request = MakeRequest(paths, first);
        int ends[2];
        if (request.Get() < 0 || ::pipe2(ends, O_CLOEXEC) != 0) {
            m_strProblem = Printf("cannot prepare the request: %s", std::strerror(errno));
            return;
        }
        const CFileDescriptor writeEnd(ends[1]);
        m_output = std::make_unique<CFileDescriptor>(ends[0]);

        sSpawnActions actions;
        posix_spawn_file_actions_adddup2(&actions.m_actions, request.Get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions.m_actions, writeEnd.Get(), STDOUT_FILENO);
        // The helper starts with no signal blocked and the stop signals at
        // their defaults, whatever the calling thread has set up.
        sSpawnAttributes attributes;
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes.m_attributes, &none);
        posix_spawnattr_setsigdefault(&attributes.m_attributes, &defaults);
        posix_spawnattr_setflags(&attributes.m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

        std::string program = helper.native();
        std::string option(tagprotocol::ADDRESS_SPACE_OPTION);
        std::string bytes = std::to_string(limits.m_nAddressSpaceBytes);
        char* argv[] = {program.data(), option.data(), bytes.data(), nullptr};
        const int error = posix_spawn(&m_pid, program.c_str(), &actions.m_actions, &attributes.m_attributes, argv,
                                      environ);
        if (error != 0) {
            m_pid = -1;
            m_strProblem = Printf("cannot start %s: %s", program.c_str(), std::strerror(error));
        }
    }

    ~CHelperRun()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        // A helper stuck in a read of a dead network share dies only when
        // the read returns: the caller (the window) does not wait for that;
        // a thread of its own reaps the helper whenever it ends.
        for (int i = 0; i < 20 && m_pid > 0; ++i) {
            if (!Reap(WNOHANG))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (m_pid <= 0)
            return;
        try {
            std::thread([pid = m_pid] {
                while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: the helper stays a zombie until we exit.
        }
    }

    CHelperRun(const CHelperRun&) = delete;
    CHelperRun& operator=(const CHelperRun&) = delete;

    bool Started() const { return m_pid > 0; }
    // Why it did not start.
    const std::string& Problem() const { return m_strProblem; }

    // The next answer, waiting at most `limit` for it.
    eNext Next(tagprotocol::sAnswer& answer, std::chrono::milliseconds limit)
    {
        const Clock::time_point deadline = Clock::now() + limit;
        for (;;) {
            switch (tagprotocol::TakeAnswer(m_buffer, answer)) {
            case tagprotocol::eTake::Answer:
                return eNext::Answer;
            case tagprotocol::eTake::Broken:
                return eNext::Broken;
            case tagprotocol::eTake::Incomplete:
                break;
            }
            if (m_bEnded)
                return eNext::Ended;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return eNext::Stopped;
            pollfd ready{m_output->Get(), POLLIN, 0};
            const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
            if (polled < 0 && errno != EINTR)
                m_bEnded = true;
            if (polled <= 0)
                continue;
            char chunk[READ_CHUNK];
            const ssize_t got = ::read(m_output->Get(), chunk, sizeof chunk);
            if (got > 0)
                m_buffer.append(chunk, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR)
                m_bEnded = true;
        }
    }

    // How the helper ended after closing its output: waits a moment for it.
    std::string DescribeEnd()
    {
        const Clock::time_point deadline = Clock::now() + END_GRACE;
        while (Clock::now() < deadline) {
            if (const std::optional<int> status = Reap(WNOHANG))
                return DescribeStatus(*status);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "closed its output";
    }

private:
    // The helper's status once it has ended (and is reaped), else nothing.
    std::optional<int> Reap(int options)
    {
        int status = 0;
        pid_t reaped;
        do {
            reaped = ::waitpid(m_pid, &status, options);
        } while (reaped < 0 && errno == EINTR);
        if (reaped != m_pid)
            return std::nullopt;
        m_pid = -1;
        return status;
    }

    pid_t m_pid = -1;
    std::unique_ptr<CFileDescriptor> m_output;
    std::string m_buffer;
    bool m_bEnded = false;
    std::string m_strProblem;
};

}  // namespace

std::filesystem::path TagHelperPath()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(HELPER_NAME) : executable.parent_path() / HELPER_NAME;
}

std::vector<tagprotocol::sAnswer> ReadAnswersInHelper(const std::vector<std::u16string>& paths,
                                                      const sTagReadLimits& limits, const std::filesystem::path& helper)
{
    std::vector<tagprotocol::sAnswer> answers(paths.size());
    size_t next = 0;
    while (next < paths.size()) {
        CHelperRun run(helper, paths, next, limits);
        if (!run.Started()) {
            // Without the helper no file has tags or chapters, as without
            // the libraries; an install that lost the helper is said, not
            // taken for files without tags.
            std::fprintf(stderr, "%s: tags not read: %s\n", program_invocation_short_name, run.Problem().c_str());
            break;
        }
        while (next < paths.size()) {
            const CHelperRun::eNext got = run.Next(answers[next], limits.m_perFile);
            if (got == CHelperRun::eNext::Answer) {
                ++next;
                continue;
            }
            // The file being read has no tags, no chapters and no known
            // length; a new helper goes on after it.
            std::string why;
            switch (got) {
            case CHelperRun::eNext::Stopped:
                why = Printf("stopped after %lld ms", static_cast<long long>(limits.m_perFile.count()));
                break;
            case CHelperRun::eNext::Broken:
                why = "gave a broken answer";
                break;
            default:
                why = run.DescribeEnd();
                break;
            }
            DebugLine(std::string(HELPER_NAME) + " " + why + " reading " + ToUtf8(paths[next]));
            answers[next] = {};
            ++next;
            break;
        }
    }
    return answers;
}
