#pragma once
#include <string>
#include <vector>

// One entry of a save dialog's file-type list: "Moodle XML (*.xml)", "*.xml", "xml".
struct FileType {
    std::u16string label, pattern, extension;
};

// Whole-file text I/O: UTF-8 on disk, UTF-16 in memory, no BOM added or removed, no
// newline translation. Paths are opened exactly as given (UTF-16 on Windows); a path
// that cannot be represented exactly fails rather than naming another file.
std::u16string LoadFileText(const std::u16string& path);
// Writes a temporary file beside the target, flushes it, then renames it over the target in
// one step; on any failure the target is left byte for byte as it was and false is
// returned. Links are written through (the file they name is replaced, the link stays);
// the old file's mode is kept; a folder or a read-only file is refused; a device or a pipe
// is written directly, never replaced.
bool SaveFileText(const std::u16string& path, const std::u16string& text);
// Raw bytes of a whole file; false when it cannot be opened or read, is no regular file
// (a device or a pipe could never end), or is too large for the memory there.
bool ReadFileBytes(const std::u16string& path, std::string& bytes);
// A regular file's size in bytes; -1 when it is none or cannot be opened.
long long FileSizeOf(const std::u16string& path);
bool WriteFileBytesSafely(const std::u16string& path, const std::string& bytes);

// What tells that a file changed on disk: its size, last write time and file number (a
// save that renames a new file over it changes the number even within one clock tick).
// `exists` is false when there is no file there.
struct FileStamp {
    bool exists = false;
    unsigned long long size = 0;
    long long modified = 0;
    unsigned long long fileId = 0;
    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && size == other.size && modified == other.modified && fileId == other.fileId;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp GetFileStamp(const std::u16string& path);

// Ctrl+C, SIGINT, SIGTERM: the temporary file of a save in progress is removed first.
void InstallSaveInterruptCleanup();

// The paths in a multi-select open dialog's buffer: one full path, or a folder followed by
// names (NUL-separated, ending in an empty string).
std::vector<std::u16string> SplitMultiSelectBuffer(const std::u16string& buffer);

// Test seam: make the next safe writes fail at the given step.
enum class SaveFailStep { None, Create, Write, Flush, Close, Replace };
extern SaveFailStep g_saveFailAt;

// Whether `path` names a folder (a QTI package may be given unpacked).
bool IsFolder(const std::u16string& path);

// A file of a package folder, by its name relative to the folder. Nothing is read when the
// file, or a link on the way to it, resolves outside the folder (Outside).
enum class FolderRead { Ok, Unreadable, Outside };
FolderRead ReadFileInFolder(const std::u16string& folder, const std::u16string& relative, std::string& bytes);
