#pragma once
// The few file operations a run needs, each turning a refusal into a FileError that names
// the file.

#include <windows.h>

#include <cstdint>
#include <string>

#include "pieces/unique_handle.h"

// An open file together with the path that error messages name.
struct NamedFile {
    UniqueFile handle;
    std::wstring path;
};

// Opens the source for reading; while it is open nobody can write, rename or delete it.
NamedFile OpenSourceForReading(const std::wstring& path);

// Length of an open file.
std::int64_t FileLength(const NamedFile& file);

// Creates a new, empty piece file, deleting an old file of that name first.
NamedFile CreatePieceFile(const std::wstring& path);

// Creates the batch file for writing, emptying an old one.
NamedFile CreateScriptFile(const std::wstring& path);

// Reads up to size bytes from the start of the file at path, fewer where it is shorter; gives how many.
DWORD ReadStart(const std::wstring& path, void* data, DWORD size);

// Reads exactly size bytes at the file's position; a short read is an error.
void ReadExactly(const NamedFile& file, void* data, DWORD size);

// Writes all size bytes at the file's position.
void WriteAll(const NamedFile& file, const void* data, DWORD size);

// Cuts a file that was written back to nothing, as far as Windows lets it.
void EmptyFile(const NamedFile& file);

// Closes a file that was written; a failure here can mean lost data, so it is an error.
void CloseWritten(NamedFile& file);
