// tavlin-tags: reads the MediaInfo reports, the lengths and the chapters of
// the files named on standard input and writes them to standard output (see
// TagHelperProtocol.h). It runs as a child of the programs, so that a file on
// which a library spins or allocates without end can be stopped without
// taking the program with it.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "decode/MediaChapters.h"
#include "project/ChapterSheet.h"
#include "project/MediaInfoLibrary.h"
#include "project/TagHelperProtocol.h"
#include "base/Text.h"
#include "ffmpeg/LogLevel.h"

namespace {

constexpr int EXIT_USAGE = 2;

std::string ReadAll(int fd)
{
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return bytes;
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

// The address-space limit from "--address-space BYTES"; 0 without one, -1
// for anything else.
long long AddressSpaceLimit(int argc, char** argv)
{
    if (argc == 1)
        return 0;
    if (argc != 3 || argv[1] != tagprotocol::ADDRESS_SPACE_OPTION)
        return -1;
    char* end = nullptr;
    errno = 0;
    const long long bytes = std::strtoll(argv[2], &end, 10);
    return errno == 0 && end != argv[2] && *end == '\0' && bytes > 0 ? bytes : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const long long limit = AddressSpaceLimit(argc, argv);
    if (limit < 0) {
        std::fprintf(stderr, "usage: tavlin-tags [%s BYTES] < NUL-separated paths\n",
                     tagprotocol::ADDRESS_SPACE_OPTION.data());
        return EXIT_USAGE;
    }
    // Set before the library is loaded: an allocation beyond it fails, and
    // the library's uncaught failure ends this process, not the program.
    if (limit > 0) {
        const rlimit addressSpace{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        if (::setrlimit(RLIMIT_AS, &addressSpace) != 0)
            return EXIT_FAILURE;
    }
    // The reader sees the end of the answers and knows which file was being
    // read; the standard message about the failure would only confuse.
    std::set_terminate([] { std::_Exit(EXIT_FAILURE); });
    // File names in the user's character set for the library.
    std::setlocale(LC_CTYPE, "");
    ffmpeg::SetProgramLogLevel();

    const std::string request = ReadAll(STDIN_FILENO);
    CMediaInfoLibrary library;
    std::string answer;
    size_t start = 0;
    while (start < request.size()) {
        size_t end = request.find(tagprotocol::PATH_END, start);
        if (end == std::string::npos)
            end = request.size();
        const std::u16string path = FromPath(std::filesystem::path(request.substr(start, end - start)));
        start = end + 1;
        answer.clear();
        const std::u16string report = library.Report(path);
        std::u16string embeddedSheet;
        sFileChapters chapters = ReadMediaChapters(path, &embeddedSheet);
        // A sheet the file carries names its tracks; the container's
        // chapters made of it (a FLAC's CUESHEET block) have no titles.
        if (!embeddedSheet.empty())
            TakeEmbeddedSheet(embeddedSheet, chapters);
        tagprotocol::AppendAnswer(answer, report, chapters);
        if (!WriteAll(STDOUT_FILENO, answer))
            return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
