// One file and one memory mapping of it, read and written in place. The
// editor and the filter plug-ins share this class (and nothing else but the
// exchange-file layout), so it depends on the standard library and the
// operating system only: POSIX here, the Win32 API in the Windows plug-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace facette {

enum class TMapAccess
{
  Read,
  ReadWrite
};

class TFileMapping
{
public:
  // Opens the file, sharing reading and writing with others. With
  // ReadWrite a missing file is created; with Read it must exist and is
  // never changed. IsOpen tells whether that worked.
  explicit TFileMapping(const std::filesystem::path &FileName,
                        TMapAccess Access = TMapAccess::ReadWrite);
  // Unmaps every view still mapped and closes the file.
  ~TFileMapping();
  TFileMapping(const TFileMapping &) = delete;
  TFileMapping &operator=(const TFileMapping &) = delete;

  bool IsOpen() const;
  // The file's size in bytes; 0 when it is not open.
  uint64_t Size() const;
  // Maps Bytes from Offset (0: to the end of the file) and returns the
  // address of the byte at Offset; nil when the range is empty, lies past
  // the end, or the system refuses. Write access needs a ReadWrite file.
  uint8_t *MapView(uint64_t Offset = 0, uint64_t Bytes = 0, TMapAccess Access = TMapAccess::Read);
  // Gives back a view MapView returned; other addresses are ignored.
  void UnmapView(const void *Address);
  // Makes the file NewSize bytes long. Every view must be unmapped first;
  // false (the file unchanged) when one is not, or when the system refuses
  // (also for lack of disk space: growing reserves the blocks, so writing
  // through a view never meets a full disk).
  bool SetSize(uint64_t NewSize);

private:
  struct TView
  {
    void *Base;
    size_t Length;
    uint8_t *Address;
  };
  std::vector<TView> Views;
  TMapAccess FileAccess;
  void *MapRange(uint64_t Start, size_t Length, TMapAccess Access);
  void ReleaseView(void *Base, size_t Length);
#ifdef _WIN32
  void *FileHandle = nullptr;    // INVALID_HANDLE_VALUE when not open
  void *MappingHandle = nullptr; // nil for an empty file
  bool CreateMapping();
  void CloseMapping();
#else
  int FileHandle = -1;
#endif
};

} // namespace facette
