#pragma once
#include <string>
#include <vector>

// Whole-file text I/O: UTF-8 on disk, UTF-16 in memory, no BOM added or removed, no
// newline translation. Paths are opened exactly as given (UTF-16 on Windows); a path
// that cannot be represented exactly fails rather than naming another file.
std::u16string LoadFileText(const std::u16string& path);
// Writes a temporary file beside the target, flushes it, then replaces the target in one
// step; on any failure the target is left byte for byte as it was and false is returned.
bool SaveFileText(const std::u16string& path, const std::u16string& text);
// Raw bytes of a whole file; false when it cannot be opened or read.
bool ReadFileBytes(const std::u16string& path, std::string& bytes);
bool WriteFileBytesSafely(const std::u16string& path, const std::string& bytes);

// The paths in a multi-select open dialog's buffer: one full path, or a folder followed by
// names (NUL-separated, ending in an empty string).
std::vector<std::u16string> SplitMultiSelectBuffer(const std::u16string& buffer);

// Test seam: make the next safe writes fail at the given step.
enum class SaveFailStep { None, Create, Write, Flush, Close, Replace };
extern SaveFailStep g_saveFailAt;
