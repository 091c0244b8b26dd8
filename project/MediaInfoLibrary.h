#pragma once
// The MediaInfo library, loaded at run time through its plain C interface.
#include <memory>
#include <mutex>
#include <string>

// Name of the library file to load: the environment variable
// TAVLIN_MEDIAINFO_LIBRARY when set and not empty, else "libmediainfo.so.0".
std::string DefaultMediaInfoLibraryName();

class CMediaInfoLibrary {
public:
    explicit CMediaInfoLibrary(std::string libraryName = DefaultMediaInfoLibraryName());
    ~CMediaInfoLibrary();
    CMediaInfoLibrary(const CMediaInfoLibrary&) = delete;
    CMediaInfoLibrary& operator=(const CMediaInfoLibrary&) = delete;

    // The default text report of the file at `path`. Loads the library first
    // when it is not loaded yet; empty when it cannot be loaded (the next call
    // tries again) and empty or partial when the file cannot be read.
    std::u16string Report(const std::u16string& path);
    bool IsLoaded() const;

private:
    struct sFunctions;
    bool LoadLocked();

    std::string m_strLibraryName;
    mutable std::mutex m_mutex;
    std::unique_ptr<sFunctions> m_pFunctions;  // null until loaded
};
