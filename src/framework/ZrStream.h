// Byte streams the settings format and other file code work over: an
// abstract stream, one held in memory and one over a file.
//
// Reading and seeking report failure through their results, so lenient
// readers can stop quietly; writing throws EZrStreamError, because a write
// that silently lost data would corrupt whatever is being saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace facette {

class EZrStreamError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class TZrStream
{
public:
  TZrStream() = default;
  TZrStream(const TZrStream &) = delete;
  TZrStream &operator=(const TZrStream &) = delete;
  virtual ~TZrStream() = default;

  // Reads up to Count bytes at the current position and moves past them.
  // Returns how many bytes were read: fewer than Count at the end of the
  // stream or when reading fails.
  virtual size_t Read(void *Buffer, size_t Count) = 0;
  // Writes Count bytes at the current position and moves past them; throws
  // EZrStreamError when they cannot all be written.
  virtual void Write(const void *Buffer, size_t Count) = 0;
  // Moves to Offset bytes from the start (the end may be passed; a later
  // write fills the gap with zeros). False when the stream cannot go there.
  virtual bool Seek(int64_t Offset) = 0;
  // The current offset from the start, or -1 when it cannot be told.
  virtual int64_t Position() const = 0;
  // The length of the stream in bytes, or -1 when it cannot be told.
  virtual int64_t Size() const = 0;

  // True when exactly Count bytes were read.
  bool ReadExact(void *Buffer, size_t Count) { return Read(Buffer, Count) == Count; }
};

class TZrMemoryStream : public TZrStream
{
public:
  TZrMemoryStream() = default;
  explicit TZrMemoryStream(std::vector<uint8_t> Bytes) : Data(std::move(Bytes)) {}

  size_t Read(void *Buffer, size_t Count) override;
  void Write(const void *Buffer, size_t Count) override;
  bool Seek(int64_t Offset) override;
  int64_t Position() const override { return static_cast<int64_t>(Pos); }
  int64_t Size() const override { return static_cast<int64_t>(Data.size()); }

  // Cuts or extends (with zeros) the stream; the position is left alone.
  void SetSize(size_t NewSize) { Data.resize(NewSize); }
  const std::vector<uint8_t> &Bytes() const { return Data; }

private:
  std::vector<uint8_t> Data;
  size_t Pos = 0;
};

enum class TZrFileMode
{
  Read,  // an existing file, read only
  Create // a new or emptied file, read and write
};

class TZrFileStream : public TZrStream
{
public:
  // Throws EZrStreamError when the file cannot be opened.
  TZrFileStream(const std::filesystem::path &FileName, TZrFileMode Mode);
  // Closes the file if Close was not called; errors are ignored here, so a
  // writer that must know its data arrived calls Close.
  ~TZrFileStream() override;

  size_t Read(void *Buffer, size_t Count) override;
  void Write(const void *Buffer, size_t Count) override;
  bool Seek(int64_t Offset) override;
  int64_t Position() const override;
  int64_t Size() const override;

  // Flushes what was written to the disk and closes the file. Throws
  // EZrStreamError when any of that fails, so a caller saving through a
  // temporary file knows whether it may put that file in place. Every
  // operation afterwards fails.
  void Close();

  const std::filesystem::path &FileName() const { return Name; }

private:
  enum class TLastOp
  {
    None,
    Read,
    Write
  };
  // The C library needs a positioning call between reading and writing.
  void SwitchTo(TLastOp Op);
  [[noreturn]] void Fail(const char *What) const;

  std::FILE *File = nullptr;
  std::filesystem::path Name;
  bool Writable = false;
  TLastOp LastOp = TLastOp::None;
};

} // namespace facette
