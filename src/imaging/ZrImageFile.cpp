#include "imaging/ZrImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace facette {

namespace {

bool HeaderTest(const uint8_t *H)
{
  return H[0] == 0xFF && H[1] == 0xD8 && H[2] == 0xFF && (H[8] == 'I' || H[8] == 'i') &&
         (H[9] == 'F' || H[9] == 'f');
}

} // namespace

bool IsJPEGHeader(const uint8_t *Data, size_t Size)
{
  return Data && Size > ZRIHeaderSize && HeaderTest(Data);
}

bool IsZRIHeader(const uint8_t *Data, size_t Size)
{
  if (!Data || Size <= ZRIHeaderSize)
    return false;
  uint8_t Header[ZRIHeaderSize];
  for (size_t I = 0; I < ZRIHeaderSize; ++I)
    Header[I] = static_cast<uint8_t>(Data[I] ^ 0xFF);
  return HeaderTest(Header);
}

void ComplementHeader(uint8_t *Data, size_t Size)
{
  for (size_t I = 0; I < ZRIHeaderSize && I < Size; ++I)
    Data[I] ^= 0xFF;
}

TZrImageKind SniffImageKind(const uint8_t *Data, size_t Size)
{
  if (!Data)
    return TZrImageKind::Unknown;
  // The exchange file is tested first: nothing else may ever be taken for it.
  if (Size >= 4 && std::memcmp(Data, "PSPF", 4) == 0)
    return TZrImageKind::Exchange;
  if (IsZRIHeader(Data, Size))
    return TZrImageKind::ZRI;
  if (Size >= 3 && Data[0] == 0xFF && Data[1] == 0xD8 && Data[2] == 0xFF)
    return TZrImageKind::JPEG;
  static const uint8_t PNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (Size >= 8 && std::memcmp(Data, PNGSignature, 8) == 0)
    return TZrImageKind::PNG;
  // Classic TIFF has 42 in the file's byte order, BigTIFF 43.
  if (Size >= 4 &&
      ((Data[0] == 'I' && Data[1] == 'I' && (Data[2] == 42 || Data[2] == 43) && Data[3] == 0) ||
       (Data[0] == 'M' && Data[1] == 'M' && Data[2] == 0 && (Data[3] == 42 || Data[3] == 43))))
    return TZrImageKind::TIFF;
  if (Size >= 2 && Data[0] == 'B' && Data[1] == 'M')
    return TZrImageKind::BMP;
  return TZrImageKind::Unknown;
}

bool ImageSizeAllowed(int64_t Width, int64_t Height)
{
  return Width > 0 && Height > 0 && Width <= MaxImageSide && Height <= MaxImageSide &&
         Width * Height <= MaxImagePixels;
}

bool ReadFileBytes(const std::filesystem::path &FileName, std::vector<uint8_t> &Bytes,
                   uint64_t MaxSize, std::string *Error)
{
  Bytes.clear();
  auto Fail = [&](const std::string &Reason) {
    Bytes.clear();
    if (Error)
      *Error = Reason;
    return false;
  };
  // Without O_NONBLOCK opening a named pipe would wait for a writer forever;
  // for a regular file the flag changes nothing.
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (Fd < 0)
    return Fail(std::strerror(errno));
  struct TCloser
  {
    int Fd;
    ~TCloser() { ::close(Fd); }
  } Closer{Fd};
  struct stat Info;
  if (::fstat(Fd, &Info) != 0)
    return Fail(std::strerror(errno));
  if (S_ISDIR(Info.st_mode))
    return Fail("a folder, not a file");
  if (!S_ISREG(Info.st_mode))
    return Fail("not a regular file");
  if (static_cast<uint64_t>(Info.st_size) > MaxSize)
    return Fail("the file is too large");
  try {
    Bytes.resize(static_cast<size_t>(Info.st_size));
  } catch (const std::bad_alloc &) {
    return Fail("not enough memory");
  }
  size_t Done = 0;
  while (Done < Bytes.size()) {
    const ssize_t Got = ::read(Fd, Bytes.data() + Done, Bytes.size() - Done);
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got < 0)
      return Fail(std::strerror(errno));
    if (Got == 0) {
      // A file that shrank while we read it is read as it now is.
      Bytes.resize(Done);
      break;
    }
    Done += static_cast<size_t>(Got);
  }
  return true;
}

bool WriteFileAtomic(const std::filesystem::path &FileName, const void *Data, size_t Size,
                     std::string *Error)
{
  auto Fail = [&](const std::string &Reason) {
    if (Error)
      *Error = Reason;
    return false;
  };
  if (FileName.empty() || !FileName.has_filename())
    return Fail("no file name");
  std::filesystem::path Folder = FileName.parent_path();
  if (Folder.empty())
    Folder = ".";
  // The temporary name is the target's, hidden and with a unique suffix;
  // a target name near the folder's length limit is cut short for it.
  static constexpr char Suffix[] = ".XXXXXX";
  std::string Name = FileName.filename().string();
  const long Limit = ::pathconf(Folder.c_str(), _PC_NAME_MAX);
  const size_t MaxName = Limit > 0 ? static_cast<size_t>(Limit) : 255;
  const size_t Extra = 1 + sizeof Suffix - 1;
  if (Name.size() + Extra > MaxName && MaxName > Extra)
    Name.resize(MaxName - Extra);
  Name.insert(Name.begin(), '.');
  Name.append(Suffix);
  std::string Template = (Folder / Name).string();
  const int Fd = ::mkostemp(Template.data(), O_CLOEXEC);
  if (Fd < 0)
    return Fail(std::strerror(errno));
  const std::filesystem::path TempName = Template;
  auto Abandon = [&](const std::string &Reason) {
    ::close(Fd);
    std::error_code Ignored;
    std::filesystem::remove(TempName, Ignored);
    return Fail(Reason);
  };

  // The new file gets the permissions of the one it replaces, or what a
  // newly created file would get.
  mode_t Mode;
  struct stat Existing;
  if (::stat(FileName.c_str(), &Existing) == 0) {
    if (!S_ISREG(Existing.st_mode))
      return Abandon("the target is not a regular file");
    Mode = Existing.st_mode & 07777;
  } else {
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    Mode = 0666 & ~Mask;
  }
  if (::fchmod(Fd, Mode) != 0)
    return Abandon(std::strerror(errno));

  const uint8_t *Bytes = static_cast<const uint8_t *>(Data);
  size_t Done = 0;
  while (Done < Size) {
    const ssize_t Written = ::write(Fd, Bytes + Done, Size - Done);
    if (Written < 0 && errno == EINTR)
      continue;
    if (Written <= 0)
      return Abandon(Written < 0 ? std::strerror(errno) : "nothing written");
    Done += static_cast<size_t>(Written);
  }
  if (::fsync(Fd) != 0)
    return Abandon(std::strerror(errno));
  if (::close(Fd) != 0) {
    const std::string Reason = std::strerror(errno);
    std::error_code Ignored;
    std::filesystem::remove(TempName, Ignored);
    return Fail(Reason);
  }
  std::error_code Code;
  std::filesystem::rename(TempName, FileName, Code);
  if (Code) {
    std::error_code Ignored;
    std::filesystem::remove(TempName, Ignored);
    return Fail(Code.message());
  }
  // Make the rename itself durable.
  const int Dir = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Dir >= 0) {
    ::fsync(Dir);
    ::close(Dir);
  }
  return true;
}

} // namespace facette
