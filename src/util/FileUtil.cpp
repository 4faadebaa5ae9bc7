#include "util/FileUtil.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <cstring>
#include <new>
#include <random>

#include "util/StringUtil.h"

#ifdef _WIN32
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

SaveFailStep g_saveFailAt = SaveFailStep::None;

namespace {

bool Fails(SaveFailStep step) { return g_saveFailAt == step; }

bool HasUnpairedSurrogate(const std::u16string& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
        else if (c >= 0xD800 && c <= 0xDFFF) return true;
    }
    return false;
}

bool UsablePath(const std::u16string& path)
{
    return !path.empty() && path.find(u'\0') == std::u16string::npos && !HasUnpairedSurrogate(path);
}

// A temporary name of bounded length, so that it fits wherever the target's name does.
std::string TempName()
{
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s = ".tb";
    for (int i = 0; i < 12; ++i) s += digits[rng() % 16];
    return s + ".tmp";
}

// The temporary file being written, for the interrupt handlers (fixed storage: they may
// not allocate).
#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif
PathChar g_tempInProgress[32768];

void SetTempInProgress(const PathChar* path, size_t length)
{
    const size_t n = std::min(length, sizeof g_tempInProgress / sizeof(PathChar) - 1);
    std::memcpy(g_tempInProgress, path, n * sizeof(PathChar));
    g_tempInProgress[n] = 0;
}

#ifdef _WIN32
std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

long long RegularFileSize(FILE* f)
{
    struct _stat64 st {};
    return _fstat64(_fileno(f), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG ? st.st_size : -1;
}

// Only files on disk: a device or a pipe would never end or never answer.
FILE* OpenRegularFileForReading(const std::u16string& path)
{
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return nullptr;
    }
    CloseHandle(h);
    return _wfopen(Wide(path).c_str(), L"rb");
}

bool FitsInMemory(unsigned long long size)
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return !GlobalMemoryStatusEx(&status) || size <= status.ullAvailPageFile;
}

BOOL WINAPI OnConsoleInterrupt(DWORD)
{
    if (g_tempInProgress[0]) DeleteFileW(g_tempInProgress);
    return FALSE; // the default handler ends the process
}
#else
long long RegularFileSize(FILE* f)
{
    struct stat st {};
    return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}

// Opened without blocking (a FIFO with no writer would wait for ever), then kept only
// when it is a regular file: /dev/zero or a pipe would never end.
FILE* OpenRegularFileForReading(const std::u16string& path)
{
    const int fd = open(w2s(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* f = fdopen(fd, "rb");
    if (!f) close(fd);
    return f;
}

bool FitsInMemory(unsigned long long size)
{
    const long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    return pages <= 0 || pageSize <= 0 || size <= static_cast<unsigned long long>(pages) * pageSize;
}

void OnInterrupt(int signal)
{
    if (g_tempInProgress[0]) unlink(g_tempInProgress);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The file a path names, through any symbolic links (up to a bound, as the system does);
// a dangling link names the file it would create.
std::string ResolveLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char link[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
        if (n <= 0) return path;
        std::string next(link, static_cast<size_t>(n));
        if (next[0] != '/') {
            const size_t slash = path.rfind('/');
            next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
        }
        path = next;
    }
    return path;
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = Fails(SaveFailStep::Write) ? -1 : write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
#endif

} // namespace

void InstallSaveInterruptCleanup()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleInterrupt, TRUE);
#else
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::signal(SIGHUP, OnInterrupt);
#endif
}

bool ReadFileBytes(const std::u16string& path, std::string& bytes)
{
    if (!UsablePath(path)) return false;
    FILE* f = OpenRegularFileForReading(path);
    if (!f) return false;
    bytes.clear();
    bool ok = false;
    try {
        // Read straight into a string of the file's size; keep reading in case it grew.
        const long long size = RegularFileSize(f);
        if (size >= 0 && FitsInMemory(static_cast<unsigned long long>(size))) {
            bytes.resize(static_cast<size_t>(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
            char buffer[1 << 16];
            size_t got;
            while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
            ok = !std::ferror(f);
        }
    } catch (const std::bad_alloc&) {
        std::string().swap(bytes);
    }
    std::fclose(f);
    return ok;
}

long long FileSizeOf(const std::u16string& path)
{
    if (!UsablePath(path)) return -1;
    FILE* f = OpenRegularFileForReading(path);
    if (!f) return -1;
    const long long size = RegularFileSize(f);
    std::fclose(f);
    return size;
}

std::u16string LoadFileText(const std::u16string& path)
{
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return u"";
    return s2w(bytes);
}

std::vector<std::u16string> SplitMultiSelectBuffer(const std::u16string& buffer)
{
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start < buffer.size()) {
        size_t end = buffer.find(u'\0', start);
        if (end == std::u16string::npos) end = buffer.size();
        if (end == start) break;
        parts.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::u16string dir = parts[0];
    if (!dir.empty() && dir.back() != u'\\' && dir.back() != u'/') dir += u'\\';
    std::vector<std::u16string> paths;
    for (size_t i = 1; i < parts.size(); ++i) paths.push_back(dir + parts[i]);
    return paths;
}

bool SaveFileText(const std::u16string& path, const std::u16string& text)
{
    return WriteFileBytesSafely(path, w2s(text));
}

#ifdef _WIN32

bool WriteFileBytesSafely(const std::u16string& path, const std::string& bytes)
{
    if (!UsablePath(path)) return false;
    // Relative names are taken against the current folder once, here.
    wchar_t full[32768];
    const DWORD fullLength = GetFullPathNameW(Wide(path).c_str(), 32768, full, nullptr);
    if (fullLength == 0 || fullLength >= 32768) return false;
    // Long paths (a name of 240 bytes in a deep folder) go through the \\?\ form.
    std::wstring target = std::wstring(L"\\\\?\\") + std::wstring(full, fullLength);
    if (full[0] == L'\\' && full[1] == L'\\') target = std::wstring(full, fullLength); // already a device or UNC path
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Never move a folder away, never replace a file the user made read-only.
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
        // Through a link to the file it names: the link stays. (Wine does not report a
        // Unix link as a reparse point, so every existing target is resolved.)
        HANDLE h = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        wchar_t resolved[32768];
        const DWORD n = GetFinalPathNameByHandleW(h, resolved, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        CloseHandle(h);
        // Kept only when it names an existing file: Wine cuts very long results short.
        if (n > 0 && n < 32768 && GetFileAttributesW(resolved) != INVALID_FILE_ATTRIBUTES) target.assign(resolved, n);
    }
    const size_t slash = target.find_last_of(L"\\/");
    const std::string name = TempName();
    const std::wstring temp = target.substr(0, slash + 1) + std::wstring(name.begin(), name.end());
    HANDLE h = Fails(SaveFailStep::Create)
                   ? INVALID_HANDLE_VALUE
                   : CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    SetTempInProgress(temp.c_str(), temp.size());
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        ok = !Fails(SaveFailStep::Write) && WriteFile(h, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    ok = ok && !Fails(SaveFailStep::Flush) && FlushFileBuffers(h);
    ok = CloseHandle(h) && !Fails(SaveFailStep::Close) && ok;
    // One rename over the target: at every moment the target is the whole old file or
    // the whole new one.
    ok = ok && !Fails(SaveFailStep::Replace) &&
         MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(temp.c_str());
    g_tempInProgress[0] = '\0';
    return ok;
}

#else

bool WriteFileBytesSafely(const std::u16string& path, const std::string& bytes)
{
    if (!UsablePath(path)) return false;
    const std::string target = ResolveLinks(w2s(path));
    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return false;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe is written as it is; replacing it would destroy it.
        const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool ok = WriteAll(fd, bytes);
        return close(fd) == 0 && ok;
    }
    if (exists && (st.st_mode & 0222) == 0) return false; // read-only: refused, as on Windows
    const size_t slash = target.rfind('/');
    const std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + TempName();
    // No interrupt between making the file and recording it for the handlers.
    sigset_t interrupts, before;
    sigemptyset(&interrupts);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, s);
    sigprocmask(SIG_BLOCK, &interrupts, &before);
    int fd = Fails(SaveFailStep::Create) ? -1 : open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) SetTempInProgress(temp.c_str(), temp.size());
    sigprocmask(SIG_SETMASK, &before, nullptr);
    if (fd < 0) return false;
    // The old file's mode exactly, and its owner where permitted; a new file the usual mode.
    bool ok = true;
    if (exists) {
        ok = fchmod(fd, st.st_mode & 07777) == 0;
        if (fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not permitted: the file stays ours, with the old mode.
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        ok = fchmod(fd, 0666 & ~mask) == 0;
    }
    ok = ok && WriteAll(fd, bytes);
    ok = ok && !Fails(SaveFailStep::Flush) && fsync(fd) == 0;
    ok = close(fd) == 0 && !Fails(SaveFailStep::Close) && ok;
    ok = ok && !Fails(SaveFailStep::Replace) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    g_tempInProgress[0] = '\0';
    return ok;
}

#endif

FileStamp GetFileStamp(const std::u16string& path)
{
    FileStamp stamp;
    if (!UsablePath(path)) return stamp;
#ifdef _WIN32
    HANDLE h = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return stamp;
    auto join = [](DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; };
    stamp.size = join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modified = static_cast<long long>(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    stamp.fileId = join(info.nFileIndexHigh, info.nFileIndexLow);
#else
    struct stat st {};
    if (stat(w2s(path).c_str(), &st) != 0) return stamp;
    stamp.size = static_cast<unsigned long long>(st.st_size);
    stamp.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.fileId = static_cast<unsigned long long>(st.st_ino);
#endif
    stamp.exists = true;
    return stamp;
}

bool IsFolder(const std::u16string& path)
{
    if (!UsablePath(path)) return false;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat st {};
    return stat(w2s(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

namespace {
#ifdef _WIN32
// The path Windows resolves a file or folder to, links and junctions followed; "" when
// it cannot be opened.
std::wstring FinalPath(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"";
    std::wstring out(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    CloseHandle(h);
    out.resize(n < out.size() ? n : 0);
    for (wchar_t& c : out) c = c == L'/' ? L'\\' : static_cast<wchar_t>(towlower(c));
    return out;
}
#endif
} // namespace

FolderRead ReadFileInFolder(const std::u16string& folder, const std::u16string& relative, std::string& bytes)
{
    bytes.clear();
    if (!UsablePath(folder) || !UsablePath(relative)) return FolderRead::Unreadable;
    const std::u16string path = folder + u"/" + relative;
#ifdef _WIN32
    // No part of the way may be a link or a junction, and the file must resolve inside.
    for (size_t at = relative.find_first_of(u"/\\"); ; at = relative.find_first_of(u"/\\", at + 1)) {
        const std::u16string part = folder + u"/" + relative.substr(0, at);
        const DWORD attributes = GetFileAttributesW(Wide(part).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return FolderRead::Unreadable;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderRead::Outside;
        if (at == std::u16string::npos) break;
    }
    const std::wstring base = FinalPath(Wide(folder)), target = FinalPath(Wide(path));
    if (base.empty() || target.empty()) return FolderRead::Unreadable;
    if (target.compare(0, base.size(), base) != 0 || target.size() <= base.size() ||
        (base.back() != L'\\' && target[base.size()] != L'\\'))
        return FolderRead::Outside;
    return ReadFileBytes(path, bytes) ? FolderRead::Ok : FolderRead::Unreadable;
#else
    // Links inside the folder are followed; the file read is the resolved one, and it
    // must lie below the folder's own resolved path.
    char* base = realpath(w2s(folder).c_str(), nullptr);
    char* target = base ? realpath(w2s(path).c_str(), nullptr) : nullptr;
    FolderRead result = FolderRead::Unreadable;
    if (base && target) {
        std::string prefix = base;
        if (prefix.back() != '/') prefix += '/';
        const std::string resolved = target;
        if (resolved.compare(0, prefix.size(), prefix) != 0 || resolved.size() == prefix.size()) result = FolderRead::Outside;
        else if (ReadFileBytes(s2w(resolved), bytes)) result = FolderRead::Ok;
    }
    std::free(base);
    std::free(target);
    return result;
#endif
}
