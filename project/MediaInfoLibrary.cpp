#include "project/MediaInfoLibrary.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"
#include "base/Text.h"

// The library's wide-character interface (wchar_t text) rather than its
// locale-dependent narrow one.
#ifndef UNICODE
#define UNICODE
#endif
#include <MediaInfoDLL/MediaInfoDLL.h>

namespace {

constexpr const char* MEDIAINFO_LIBRARY = "libmediainfo.so.0";
constexpr const char* LIBRARY_NAME_VARIABLE = "TAVLIN_MEDIAINFO_LIBRARY";

// wchar_t holds whole code points here (UTF-32).
std::wstring ToWide(std::u16string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

std::u16string FromWide(const wchar_t* text)
{
    std::u16string out;
    for (; text && *text; ++text) {
        const auto c = static_cast<char32_t>(*text);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c <= 0xFFFF ? c : 0xFFFD);
        }
    }
    return out;
}

// The library turns wide file names into bytes with the process's character
// type locale. Under a UTF-8 locale (or for an all-ASCII path) it finds the
// file by its name; under any other locale a non-ASCII name would come out
// wrong, so the file is opened here and handed over as its descriptor's path.
bool LibraryCanOpenByName(std::u16string_view path)
{
    bool ascii = true;
    for (char16_t unit : path)
        ascii = ascii && unit < 0x80;
    return ascii || std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

struct sLibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};
using LibraryHandle = std::unique_ptr<void, sLibraryCloser>;

template <typename Function>
bool Resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

}  // namespace

struct CMediaInfoLibrary::sFunctions {
    LibraryHandle m_library;
    MEDIAINFO_New m_new = nullptr;
    MEDIAINFO_Delete m_delete = nullptr;
    MEDIAINFO_Open m_open = nullptr;
    MEDIAINFO_Close m_close = nullptr;
    MEDIAINFO_Inform m_inform = nullptr;
};

namespace {

// One MediaInfo handle: created on construction, closed and deleted on
// destruction.
class CMediaInfoHandle {
public:
    CMediaInfoHandle(MEDIAINFO_New create, MEDIAINFO_Close close, MEDIAINFO_Delete destroy)
        : m_handle(create()), m_close(close), m_delete(destroy)
    {
    }
    ~CMediaInfoHandle()
    {
        if (m_handle) {
            m_close(m_handle);
            m_delete(m_handle);
        }
    }
    CMediaInfoHandle(const CMediaInfoHandle&) = delete;
    CMediaInfoHandle& operator=(const CMediaInfoHandle&) = delete;
    void* Get() const { return m_handle; }

private:
    void* m_handle;
    MEDIAINFO_Close m_close;
    MEDIAINFO_Delete m_delete;
};

}  // namespace

std::string DefaultMediaInfoLibraryName()
{
    const char* name = std::getenv(LIBRARY_NAME_VARIABLE);
    return name && *name ? std::string(name) : std::string(MEDIAINFO_LIBRARY);
}

CMediaInfoLibrary::CMediaInfoLibrary(std::string libraryName) : m_strLibraryName(std::move(libraryName)) {}

CMediaInfoLibrary::~CMediaInfoLibrary() = default;

bool CMediaInfoLibrary::IsLoaded() const
{
    std::lock_guard lock(m_mutex);
    return m_pFunctions != nullptr;
}

bool CMediaInfoLibrary::LoadLocked()
{
    if (m_pFunctions)
        return true;
    // Kept mapped until the process ends, so that nothing of the library runs
    // after its code is gone during exit.
    LibraryHandle library(dlopen(m_strLibraryName.c_str(), RTLD_LAZY | RTLD_NODELETE));
    if (!library)
        return false;
    auto functions = std::make_unique<sFunctions>();
    if (!Resolve(library.get(), "MediaInfo_New", functions->m_new) ||
        !Resolve(library.get(), "MediaInfo_Delete", functions->m_delete) ||
        !Resolve(library.get(), "MediaInfo_Open", functions->m_open) ||
        !Resolve(library.get(), "MediaInfo_Close", functions->m_close) ||
        !Resolve(library.get(), "MediaInfo_Inform", functions->m_inform))
        return false;
    functions->m_library = std::move(library);
    m_pFunctions = std::move(functions);
    return true;
}

std::u16string CMediaInfoLibrary::Report(const std::u16string& path)
{
    const sFunctions* functions = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!LoadLocked())
            return {};  // not loaded: every tag stays empty, the next call retries
        functions = m_pFunctions.get();
    }
    CMediaInfoHandle handle(functions->m_new, functions->m_close, functions->m_delete);
    if (!handle.Get())
        return {};
    // Opened without blocking (a FIFO would wait for a writer) and read only
    // when it is a regular file; the library itself opens the file again.
    const CFileDescriptor file(::open(ToPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const bool byName = LibraryCanOpenByName(path);
    const std::wstring widePath = byName ? ToWide(path) : L"/proc/self/fd/" + std::to_wstring(file.Get());
    functions->m_open(handle.Get(), widePath.c_str());
    // The text stays valid until the next call on this handle.
    return FromWide(functions->m_inform(handle.Get(), 0));
}
