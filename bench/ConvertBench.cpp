// Converts the given files into one book through the conversion job, as the
// window does: bench_convert OUTPUT.m4b INPUT...
#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/Converter.h"
#include "engine/ThreadPool.h"
#include "ffmpeg/LogLevel.h"
#include "base/Event.h"
#include "base/Text.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.m4b INPUT...\n", argv[0]);
        return 2;
    }
    ffmpeg::SetProgramLogLevel();
    CThreadPool pool;
    sConversionContext context;
    context.m_strOutput = FromUtf8(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const std::u16string path = FromUtf8(argv[i]);
        context.m_files.push_back({path, path, QueryFileSizeLow32(path)});
    }
    context.m_pPool = &pool;
    CConverter job(std::move(context));
    job.Start();
    while (!job.WaitForEnd(100)) {
    }
    if (job.Outcome().m_eOutcome != eOutcome::Completed) {
        std::fprintf(stderr, "%s\n", ToUtf8(job.Outcome().m_strError).c_str());
        return 1;
    }
    return 0;
}
