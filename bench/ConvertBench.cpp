// Converts the given files into one book through the conversion job, as the
// window does: bench_convert OUTPUT.m4b INPUT...
#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/Converter.h"
#include "base/Event.h"
#include "base/Text.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.m4b INPUT...\n", argv[0]);
        return 2;
    }
    const std::u16string output = FromUtf8(argv[1]);
    std::vector<sInputFile> files;
    for (int i = 2; i < argc; ++i) {
        const std::u16string path = FromUtf8(argv[i]);
        files.push_back({path, path, QueryFileSizeLow32(path)});
    }
    sTagInfo metadata;
    sCoverData cover;
    CConverter job(&metadata, &files, &cover, &output);
    job.Start();
    while (!job.WaitForEnd(100)) {
    }
    if (job.Outcome().m_eOutcome != eOutcome::Completed) {
        std::fprintf(stderr, "%s\n", ToUtf8(job.Outcome().m_strError).c_str());
        return 1;
    }
    return 0;
}
