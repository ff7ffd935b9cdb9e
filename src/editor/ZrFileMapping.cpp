#include "editor/ZrFileMapping.h"

#include <algorithm>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace facette {

namespace {

#ifdef _WIN32
uint64_t Granularity()
{
  SYSTEM_INFO Info;
  GetSystemInfo(&Info);
  return Info.dwAllocationGranularity;
}
#else
uint64_t Granularity()
{
  const long Page = sysconf(_SC_PAGESIZE);
  return Page > 0 ? static_cast<uint64_t>(Page) : 4096;
}
#endif

} // namespace

#ifdef _WIN32

TFileMapping::TFileMapping(const std::filesystem::path &FileName, TMapAccess Access)
    : FileAccess(Access)
{
  const bool Write = Access == TMapAccess::ReadWrite;
  HANDLE File = CreateFileW(FileName.c_str(), Write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            Write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FileHandle = File;
  if (File != INVALID_HANDLE_VALUE)
    CreateMapping();
}

TFileMapping::~TFileMapping()
{
  for (const TView &View : Views)
    ReleaseView(View.Base, View.Length);
  Views.clear();
  CloseMapping();
  if (IsOpen())
    CloseHandle(FileHandle);
}

bool TFileMapping::IsOpen() const
{
  return FileHandle != INVALID_HANDLE_VALUE && FileHandle != nullptr;
}

uint64_t TFileMapping::Size() const
{
  LARGE_INTEGER Result;
  if (!IsOpen() || !GetFileSizeEx(FileHandle, &Result))
    return 0;
  return static_cast<uint64_t>(Result.QuadPart);
}

bool TFileMapping::CreateMapping()
{
  // An empty file cannot be mapped; it gets a mapping once it has a size.
  if (Size() == 0)
    return false;
  MappingHandle = CreateFileMappingW(
      FileHandle, nullptr, FileAccess == TMapAccess::ReadWrite ? PAGE_READWRITE : PAGE_READONLY, 0,
      0, nullptr);
  return MappingHandle != nullptr;
}

void TFileMapping::CloseMapping()
{
  if (MappingHandle)
    CloseHandle(MappingHandle);
  MappingHandle = nullptr;
}

void *TFileMapping::MapRange(uint64_t Start, size_t Length, TMapAccess Access)
{
  if (!MappingHandle)
    return nullptr;
  return MapViewOfFile(MappingHandle,
                       Access == TMapAccess::ReadWrite ? FILE_MAP_WRITE : FILE_MAP_READ,
                       static_cast<DWORD>(Start >> 32), static_cast<DWORD>(Start), Length);
}

void TFileMapping::ReleaseView(void *Base, size_t)
{
  UnmapViewOfFile(Base);
}

bool TFileMapping::SetSize(uint64_t NewSize)
{
  if (!IsOpen() || FileAccess != TMapAccess::ReadWrite || !Views.empty() ||
      NewSize > static_cast<uint64_t>(std::numeric_limits<LONGLONG>::max()))
    return false;
  CloseMapping();
  LARGE_INTEGER Position;
  Position.QuadPart = static_cast<LONGLONG>(NewSize);
  const bool Done =
      SetFilePointerEx(FileHandle, Position, nullptr, FILE_BEGIN) && SetEndOfFile(FileHandle);
  CreateMapping();
  return Done;
}

#else

TFileMapping::TFileMapping(const std::filesystem::path &FileName, TMapAccess Access)
    : FileAccess(Access)
{
  const int Flags = Access == TMapAccess::ReadWrite ? O_RDWR | O_CREAT : O_RDONLY;
  do
    FileHandle = open(FileName.c_str(), Flags | O_CLOEXEC, 0666);
  while (FileHandle < 0 && errno == EINTR);
  // Only regular files can be mapped and sized.
  struct stat Info;
  if (FileHandle >= 0 && (fstat(FileHandle, &Info) != 0 || !S_ISREG(Info.st_mode))) {
    close(FileHandle);
    FileHandle = -1;
  }
}

TFileMapping::~TFileMapping()
{
  for (const TView &View : Views)
    ReleaseView(View.Base, View.Length);
  Views.clear();
  if (FileHandle >= 0)
    close(FileHandle);
}

bool TFileMapping::IsOpen() const
{
  return FileHandle >= 0;
}

uint64_t TFileMapping::Size() const
{
  struct stat Info;
  if (FileHandle < 0 || fstat(FileHandle, &Info) != 0 || Info.st_size < 0)
    return 0;
  return static_cast<uint64_t>(Info.st_size);
}

void *TFileMapping::MapRange(uint64_t Start, size_t Length, TMapAccess Access)
{
  if (Start > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
    return nullptr;
  const int Protection = Access == TMapAccess::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
  void *Base = mmap(nullptr, Length, Protection, MAP_SHARED, FileHandle, static_cast<off_t>(Start));
  return Base == MAP_FAILED ? nullptr : Base;
}

void TFileMapping::ReleaseView(void *Base, size_t Length)
{
  munmap(Base, Length);
}

bool TFileMapping::SetSize(uint64_t NewSize)
{
  if (FileHandle < 0 || FileAccess != TMapAccess::ReadWrite || !Views.empty() ||
      NewSize > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
    return false;
  const uint64_t OldSize = Size();
  if (NewSize > OldSize) {
    // A sparse extension would let a write through the mapping fail with a
    // bus error on a full disk; reserving the blocks fails here instead.
    const int Error = posix_fallocate(FileHandle, 0, static_cast<off_t>(NewSize));
    if (Error != 0) {
      // Leave the file as it was (a partial reservation may have grown it).
      [[maybe_unused]] const int Restored = ftruncate(FileHandle, static_cast<off_t>(OldSize));
      return false;
    }
    return true;
  }
  return ftruncate(FileHandle, static_cast<off_t>(NewSize)) == 0;
}

#endif

uint8_t *TFileMapping::MapView(uint64_t Offset, uint64_t Bytes, TMapAccess Access)
{
  const uint64_t FileSize = Size();
  if (!IsOpen() || Offset >= FileSize ||
      (Access == TMapAccess::ReadWrite && FileAccess != TMapAccess::ReadWrite))
    return nullptr;
  if (Bytes == 0 || Bytes > FileSize - Offset)
    Bytes = FileSize - Offset;
  // Views start at a multiple of the system's granularity.
  const uint64_t Start = Offset - Offset % Granularity();
  const uint64_t Length = Offset - Start + Bytes;
  if (Length > std::numeric_limits<size_t>::max())
    return nullptr;
  void *Base = MapRange(Start, static_cast<size_t>(Length), Access);
  if (!Base)
    return nullptr;
  uint8_t *Address = static_cast<uint8_t *>(Base) + (Offset - Start);
  Views.push_back({Base, static_cast<size_t>(Length), Address});
  return Address;
}

void TFileMapping::UnmapView(const void *Address)
{
  auto It = std::find_if(Views.begin(), Views.end(),
                         [Address](const TView &View) { return View.Address == Address; });
  if (It == Views.end())
    return;
  ReleaseView(It->Base, It->Length);
  Views.erase(It);
}

} // namespace facette
