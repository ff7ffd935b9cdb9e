#include "framework/ZrStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

namespace facette {

// ---------------------------------------------------------------------------
// TZrMemoryStream

size_t TZrMemoryStream::Read(void *Buffer, size_t Count)
{
  if (Pos >= Data.size() || Count == 0)
    return 0;
  const size_t N = std::min(Count, Data.size() - Pos);
  std::memcpy(Buffer, Data.data() + Pos, N);
  Pos += N;
  return N;
}

void TZrMemoryStream::Write(const void *Buffer, size_t Count)
{
  if (Count == 0)
    return;
  if (Count > Data.max_size() - Pos)
    throw EZrStreamError("Memory stream too large");
  if (Pos + Count > Data.size())
    Data.resize(Pos + Count);
  std::memcpy(Data.data() + Pos, Buffer, Count);
  Pos += Count;
}

bool TZrMemoryStream::Seek(int64_t Offset)
{
  if (Offset < 0)
    return false;
  Pos = static_cast<size_t>(Offset);
  return true;
}

// ---------------------------------------------------------------------------
// TZrFileStream

TZrFileStream::TZrFileStream(const std::filesystem::path &FileName, TZrFileMode Mode)
    : Name(FileName), Writable(Mode == TZrFileMode::Create)
{
  // "e": the descriptor is not inherited by programs we start.
  File = std::fopen(FileName.c_str(), Writable ? "w+be" : "rbe");
  if (!File)
    Fail("Cannot open");
  if (!Writable) {
    // Opening a folder for reading succeeds on POSIX; reading it then fails
    // with an error that says less than this.
    struct stat Info;
    if (fstat(fileno(File), &Info) == 0 && S_ISDIR(Info.st_mode)) {
      std::fclose(File);
      File = nullptr;
      errno = EISDIR;
      Fail("Cannot open");
    }
  }
}

TZrFileStream::~TZrFileStream()
{
  if (File)
    std::fclose(File);
}

void TZrFileStream::Fail(const char *What) const
{
  const int Error = errno;
  std::string Message = std::string(What) + " \"" + Name.string() + "\"";
  if (Error != 0)
    Message += std::string(": ") + std::strerror(Error);
  throw EZrStreamError(Message);
}

void TZrFileStream::SwitchTo(TLastOp Op)
{
  if (LastOp != TLastOp::None && LastOp != Op)
    fseeko(File, 0, SEEK_CUR);
  LastOp = Op;
}

size_t TZrFileStream::Read(void *Buffer, size_t Count)
{
  if (!File || Count == 0)
    return 0;
  SwitchTo(TLastOp::Read);
  return std::fread(Buffer, 1, Count, File);
}

void TZrFileStream::Write(const void *Buffer, size_t Count)
{
  if (!File) {
    errno = EBADF;
    Fail("Cannot write to");
  }
  if (Count == 0)
    return;
  SwitchTo(TLastOp::Write);
  errno = 0;
  if (std::fwrite(Buffer, 1, Count, File) != Count)
    Fail("Cannot write to");
}

bool TZrFileStream::Seek(int64_t Offset)
{
  if (!File || Offset < 0 || Offset > std::numeric_limits<off_t>::max())
    return false;
  LastOp = TLastOp::None;
  return fseeko(File, static_cast<off_t>(Offset), SEEK_SET) == 0;
}

int64_t TZrFileStream::Position() const
{
  if (!File)
    return -1;
  return static_cast<int64_t>(ftello(File));
}

int64_t TZrFileStream::Size() const
{
  if (!File)
    return -1;
  // Written data may still sit in the library's buffer.
  if (Writable && LastOp == TLastOp::Write && std::fflush(File) != 0)
    return -1;
  struct stat Info;
  if (fstat(fileno(File), &Info) != 0)
    return -1;
  return static_cast<int64_t>(Info.st_size);
}

void TZrFileStream::Close()
{
  if (!File)
    return;
  std::FILE *F = File;
  File = nullptr;
  const auto LastError = [] { return errno != 0 ? errno : EIO; };
  errno = 0;
  int Error = 0;
  if (Writable) {
    if (std::fflush(F) != 0)
      Error = LastError();
    // Devices and pipes cannot be synced; that is no loss of data.
    else if (fsync(fileno(F)) != 0 && errno != EINVAL)
      Error = LastError();
  }
  if (std::fclose(F) != 0 && Error == 0)
    Error = LastError();
  errno = Error;
  if (Error != 0)
    Fail("Cannot write to");
}

} // namespace facette
