#include "util/FileUtil.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "util/StringUtil.h"

#ifdef _WIN32
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
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

std::string TempSuffix()
{
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s = ".tmp";
    for (int i = 0; i < 12; ++i) s += digits[rng() % 16];
    return s;
}

#ifdef _WIN32
std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

long long RegularFileSize(FILE* f)
{
    struct _stat64 st {};
    return _fstat64(_fileno(f), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG ? st.st_size : -1;
}
#else
long long RegularFileSize(FILE* f)
{
    struct stat st {};
    return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}
#endif

} // namespace

bool ReadFileBytes(const std::u16string& path, std::string& bytes)
{
    if (!UsablePath(path)) return false;
#ifdef _WIN32
    FILE* f = _wfopen(Wide(path).c_str(), L"rb");
#else
    FILE* f = std::fopen(w2s(path).c_str(), "rb");
#endif
    if (!f) return false;
    bytes.clear();
    // A regular file is read straight into a string of its size; keep reading in case it
    // grew. Anything else (a folder, a pipe) is only read in chunks.
    if (const long long size = RegularFileSize(f); size > 0) {
        bytes.resize(static_cast<size_t>(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    }
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
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
    const std::wstring target = Wide(path);
    const std::string suffix = TempSuffix();
    const std::wstring temp = target + std::wstring(suffix.begin(), suffix.end());
    HANDLE h = Fails(SaveFailStep::Create)
                   ? INVALID_HANDLE_VALUE
                   : CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
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
    if (ok && !Fails(SaveFailStep::Replace)) {
        if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            ok = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        else
            ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } else {
        ok = false;
    }
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

#else

bool WriteFileBytesSafely(const std::u16string& path, const std::string& bytes)
{
    if (!UsablePath(path)) return false;
    const std::string target = w2s(path);
    const std::string temp = target + TempSuffix();
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat st {};
    const mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    int fd = Fails(SaveFailStep::Create) ? -1 : open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = Fails(SaveFailStep::Write) ? -1 : write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && !Fails(SaveFailStep::Flush) && fsync(fd) == 0;
    ok = close(fd) == 0 && !Fails(SaveFailStep::Close) && ok;
    ok = ok && !Fails(SaveFailStep::Replace) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

#endif
