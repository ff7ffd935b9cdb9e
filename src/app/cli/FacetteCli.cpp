// facette-cli: information, conversion, resizing, quarter turns, flips and
// crops of image files from the command line. JPEG files that are only
// turned, flipped or cut on the coding-block grid are written from their
// original coefficients; metadata is carried over; an output file is
// written completely or not at all.
#include "framework/ZrLocalizer.h"
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageFile.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace facette;

namespace {

// Exit codes, documented in the help text.
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;
constexpr int ExitInput = 2;
constexpr int ExitOutput = 3;
constexpr int ExitOperation = 4;

const char *const HelpText =
    R"(Usage: facette-cli COMMAND ARGUMENTS [OPTIONS]

Commands:
  info FILE
      Prints the file's format, size, resolution, the description the
      editor's open dialog shows, and a summary of its metadata.
  convert IN OUT [--format FORMAT] [--quality N]
      Writes IN as OUT. A JPEG written as JPEG is copied without
      recompression unless --quality is given.
  resize IN OUT --width W --height H [--format FORMAT] [--quality N]
  resize IN OUT --scale PERCENT [--format FORMAT] [--quality N]
      Resamples with the Lanczos filter (radius 3). With only one of
      --width and --height the other follows the aspect ratio.
  rotate IN OUT left|right [--format FORMAT] [--quality N]
      A quarter turn counter-clockwise (left) or clockwise (right).
  flip IN OUT horizontal|vertical [--format FORMAT] [--quality N]
      Mirrors left to right (horizontal) or top to bottom (vertical).
  crop IN OUT LEFT TOP RIGHT BOTTOM [--format FORMAT] [--quality N]
      Keeps the rectangle; right and bottom are exclusive.

Many files at once: give the files (or folders) in place of IN, leave OUT
out and name the folder the results go to, for example
  resize IN... --output-dir DIR --scale 50
  rotate IN... left --output-dir DIR
A folder stands for the images in it (by extension, not its subfolders).
Each result is written into DIR under its file's name (with the extension
of --format when given); DIR is created when missing. The files are
worked on side by side; one that fails is reported and the others go on.
A progress bar shows on a terminal, and a summary lists the failures.

Options:
  --format jpeg|tiff|png|bmp|zri
      Format of OUT. Default: from OUT's extension (.jpg .jpeg .tif .tiff
      .png .bmp .rle .dib .zri); an OUT without an extension gets the
      format of IN, one with any other extension needs --format.
  --output-dir DIR
      Works on many files, writing the results into DIR (see above).
  --jobs N
      With --output-dir: how many files are worked on at once (default:
      the number of processor cores).
  --quality N
      JPEG quality 1..100; the image is then compressed anew. Without it a
      JPEG input that was only turned, flipped or cut on its 8- or 16-pixel
      block grid is written without recompression, and an edited JPEG is
      compressed with the quality and chroma subsampling estimated from the
      input; other inputs are written at quality 80.
  --keep-orientation
      Takes the pixels as stored and keeps the EXIF orientation (see below).
  -h, --help      Shows this text.
  --version       Shows the version.

A photo taken with the camera turned is read upright, as its EXIF
orientation says, and written upright with the orientation set to 1 (an
unchanged JPEG through the lossless turn where its block grid allows);
sizes given and printed are those of the upright photo.

Metadata (EXIF, IPTC, XMP, ICC profile) is carried into JPEG, TIFF, PNG
and ZRI output; the EXIF thumbnail is left out. BMP holds no metadata.
Output is written to a temporary file beside OUT and renamed into place,
so OUT is never left half-written. IN and OUT may be the same file.

Exit codes:
  0  success
  1  wrong command line
  2  IN cannot be read, is damaged, or is not a supported image (JPEG,
     TIFF, PNG, BMP, ZRI)
  3  OUT cannot be encoded or written
  4  the operation cannot be applied (for example a crop outside the image)
With --output-dir the code is that of the first file, in the order given,
that failed; 0 when all were written.
)";

int Fail(int Code, const std::string &Message)
{
  std::fprintf(stderr, "facette-cli: %s\n", Message.c_str());
  if (Code == ExitUsage)
    std::fprintf(stderr, "Try 'facette-cli --help'.\n");
  return Code;
}

std::optional<int32_t> ParseInt(std::string_view Text)
{
  int32_t Value = 0;
  const auto [End, Code] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Code != std::errc() || End != Text.data() + Text.size())
    return std::nullopt;
  return Value;
}

// Decimal only, the whole text, as ParseInt: no blanks, signs or
// hexadecimal.
std::optional<double> ParseNumber(std::string_view Text)
{
  double Value = 0;
  const auto [End, Code] =
      std::from_chars(Text.data(), Text.data() + Text.size(), Value, std::chars_format::fixed);
  if (Code != std::errc() || End != Text.data() + Text.size())
    return std::nullopt;
  return Value;
}

// Metadata and descriptions come from the file: bytes that are not UTF-8,
// and control characters, are shown as \xNN rather than sent to the
// terminal as they are.
std::string Printable(std::string_view Text)
{
  std::string Out;
  size_t I = 0;
  auto Escape = [&](unsigned char C) {
    char Hex[5];
    std::snprintf(Hex, sizeof Hex, "\\x%02X", C);
    Out += Hex;
  };
  while (I < Text.size()) {
    const auto C = static_cast<unsigned char>(Text[I]);
    if (C < 0x20 || C == 0x7F) {
      Escape(C);
      ++I;
      continue;
    }
    // The length of a well-formed sequence starting here (no overlong
    // forms, no surrogates, nothing past U+10FFFF); 0 when there is none.
    size_t Length = 0;
    if (C < 0x80)
      Length = 1;
    else if (C >= 0xC2 && C <= 0xDF)
      Length = 2;
    else if (C >= 0xE0 && C <= 0xEF)
      Length = 3;
    else if (C >= 0xF0 && C <= 0xF4)
      Length = 4;
    bool Valid = Length > 0 && I + Length <= Text.size();
    for (size_t K = 1; Valid && K < Length; ++K)
      Valid = (static_cast<unsigned char>(Text[I + K]) & 0xC0) == 0x80;
    if (Valid && Length > 2) {
      const auto Next = static_cast<unsigned char>(Text[I + 1]);
      Valid = !(C == 0xE0 && Next < 0xA0) && !(C == 0xED && Next > 0x9F) &&
              !(C == 0xF0 && Next < 0x90) && !(C == 0xF4 && Next > 0x8F);
    }
    if (!Valid) {
      Escape(C);
      ++I;
      continue;
    }
    Out.append(Text.substr(I, Length));
    I += Length;
  }
  return Out;
}

std::string Lower(std::string Text)
{
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Text;
}

std::optional<int32_t> FormatByName(const std::string &Name)
{
  const std::string N = Lower(Name);
  if (N == "jpeg" || N == "jpg")
    return gfJPEG;
  if (N == "tiff" || N == "tif")
    return gfTIFF;
  if (N == "png")
    return gfPNG;
  if (N == "bmp")
    return gfBMP;
  if (N == "zri")
    return gfZRI;
  return std::nullopt;
}

std::optional<int32_t> FormatByExtension(const std::filesystem::path &File)
{
  const std::string Ext = Lower(File.extension().string());
  if (Ext == ".jpg" || Ext == ".jpeg")
    return gfJPEG;
  if (Ext == ".tif" || Ext == ".tiff")
    return gfTIFF;
  if (Ext == ".png")
    return gfPNG;
  if (Ext == ".bmp" || Ext == ".rle" || Ext == ".dib")
    return gfBMP;
  if (Ext == ".zri")
    return gfZRI;
  return std::nullopt;
}

const char *FormatName(int32_t Format)
{
  switch (Format) {
  case gfJPEG:
    return "JPEG";
  case gfTIFF:
    return "TIFF";
  case gfPNG:
    return "PNG";
  case gfBMP:
    return "BMP";
  case gfZRI:
    return "ZRI";
  default:
    return "exchange";
  }
}

struct TArguments
{
  std::vector<std::string> Positional;
  std::optional<int32_t> Format;
  std::optional<int32_t> Quality;
  std::optional<int32_t> Width, Height;
  std::optional<double> Scale;
  bool KeepOrientation = false;
  std::optional<std::string> OutputDir;
  std::optional<int32_t> Jobs;
};

// Splits options from positional arguments; returns an error text or "".
std::string ParseOptions(int Argc, char **Argv, TArguments &Args)
{
  for (int I = 2; I < Argc; ++I) {
    const std::string A = Argv[I];
    auto Value = [&](const char *Name) -> std::optional<std::string> {
      if (I + 1 >= Argc)
        return std::nullopt;
      (void)Name;
      return std::string(Argv[++I]);
    };
    if (A == "--format") {
      const auto V = Value("--format");
      if (!V)
        return "--format needs a value";
      Args.Format = FormatByName(*V);
      if (!Args.Format)
        return "unknown format '" + *V + "' (jpeg, tiff, png, bmp or zri)";
    } else if (A == "--quality") {
      const auto V = Value("--quality");
      const auto N = V ? ParseInt(*V) : std::nullopt;
      if (!N || *N < 1 || *N > 100)
        return "--quality needs a whole number from 1 to 100";
      Args.Quality = N;
    } else if (A == "--width" || A == "--height") {
      const auto V = Value(A.c_str());
      const auto N = V ? ParseInt(*V) : std::nullopt;
      if (!N || *N < 1 || *N > MaxImageSide)
        return A + " needs a whole number from 1 to " + std::to_string(MaxImageSide);
      (A == "--width" ? Args.Width : Args.Height) = N;
    } else if (A == "--scale") {
      const auto V = Value("--scale");
      const auto N = V ? ParseNumber(*V) : std::nullopt;
      if (!N || !(*N > 0) || *N > 10000)
        return "--scale needs a percentage above 0";
      Args.Scale = N;
    } else if (A == "--keep-orientation") {
      Args.KeepOrientation = true;
    } else if (A == "--output-dir") {
      const auto V = Value("--output-dir");
      if (!V || V->empty())
        return "--output-dir needs a folder";
      Args.OutputDir = V;
    } else if (A == "--jobs") {
      const auto V = Value("--jobs");
      const auto N = V ? ParseInt(*V) : std::nullopt;
      if (!N || *N < 1 || *N > 256)
        return "--jobs needs a whole number from 1 to 256";
      Args.Jobs = N;
    } else if (A.size() > 2 && A.rfind("--", 0) == 0) {
      return "unknown option '" + A + "'";
    } else {
      Args.Positional.push_back(A);
    }
  }
  return {};
}

int Info(const std::filesystem::path &File, bool KeepOrientation)
{
  TZrGraphicsFormats Formats;
  Formats.ApplyOrientation = !KeepOrientation;
  TZrGraphicsImage Image;
  int32_t Format = 0;
  std::string Error;
  TZrLoadOptions Options;
  Options.DeferJPEGPixels = true;
  if (!Formats.LoadImage(Image, File, Format, Options, &Error))
    return Fail(ExitInput, File.string() + ": " + Error);
  std::printf("File: %s\n", File.string().c_str());
  std::printf("Format: %s\n", FormatName(Format));
  std::printf("Size: %d x %d\n", Image.Width(), Image.Height());
  std::printf("Resolution: %d x %d dpi\n", Image.Properties.HorizontalResolution,
              Image.Properties.VerticalResolution);
  if (Image.LosslessJPEG) {
    static const char *Sampling[] = {"4:4:4", "4:2:2", "4:2:0", "grey", "4:4:0", "4:1:1"};
    const int32_t S = Image.LosslessJPEG->Subsampling();
    std::printf("JPEG: quality about %d, %s, blocks of %d x %d\n", Image.LosslessJPEG->Quality(),
                S >= 0 && S < 6 ? Sampling[S] : "unknown", Image.LosslessJPEG->BlockWidth(),
                Image.LosslessJPEG->BlockHeight());
  }
  const std::string Description = DescribeImageFile(File);
  if (!Description.empty()) {
    std::printf("Description:\n");
    size_t Start = 0;
    while (Start <= Description.size()) {
      const size_t End = std::min(Description.find('\n', Start), Description.size());
      std::printf("  %s\n", Printable(Description.substr(Start, End - Start)).c_str());
      Start = End + 1;
    }
  }
  const TZrGraphicsDocumentProperties &P = Image.Properties;
  std::string Kinds;
  auto AddKind = [&](bool Has, const char *Name) {
    if (Has)
      Kinds += (Kinds.empty() ? "" : ", ") + std::string(Name);
  };
  AddKind(P.HasExif(), P.HasExifThumbnail() ? "EXIF (with thumbnail)" : "EXIF");
  AddKind(P.HasIptc(), "IPTC");
  AddKind(P.HasXmp(), "XMP");
  AddKind(P.HasIccProfile(), "ICC profile");
  std::printf("Metadata: %s\n", Kinds.empty() ? "none" : Kinds.c_str());
  for (const auto &[Key, Value] : P.List())
    std::printf("  %s = %s\n", Printable(Key).c_str(), Printable(Value).c_str());
  return ExitOk;
}

// A command with its arguments checked, ready for any number of files.
struct TOperation
{
  std::string Command;
  // rotate: left or right; flip: horizontal or vertical.
  std::string Direction;
  TZrRect CropRect;
  TArguments Args;
};

// The arguments a command takes after its files.
size_t OperationArguments(const std::string &Command)
{
  return Command == "crop" ? 4 : Command == "rotate" || Command == "flip" ? 1 : 0;
}

// Checks the options and the arguments after the files (Tail); returns an
// error text or "".
std::string CheckOperation(const std::string &Command, const TArguments &Args,
                           const std::vector<std::string> &Tail, TOperation &Op)
{
  Op.Command = Command;
  Op.Args = Args;
  if (Command != "resize" && (Args.Width || Args.Height || Args.Scale))
    return Command + ": --width, --height and --scale belong to resize";
  if (Command == "resize" && !Args.Scale && !Args.Width && !Args.Height)
    return "resize: give --width and --height, or --scale";
  if (Command == "resize" && Args.Scale && (Args.Width || Args.Height))
    return "resize: give either --scale or --width/--height";
  if (Command == "rotate" || Command == "flip") {
    Op.Direction = Lower(Tail[0]);
    const bool Valid = Command == "rotate"
                           ? Op.Direction == "left" || Op.Direction == "right"
                           : Op.Direction == "horizontal" || Op.Direction == "vertical";
    if (!Valid)
      return Command + ": unknown direction '" + Tail[0] + "'";
  } else if (Command == "crop") {
    int32_t Edge[4];
    for (size_t I = 0; I < 4; ++I) {
      const auto N = ParseInt(Tail[I]);
      if (!N)
        return "crop: LEFT TOP RIGHT BOTTOM must be whole numbers";
      Edge[I] = *N;
    }
    Op.CropRect = MakeRect(Edge[0], Edge[1], Edge[2], Edge[3]);
    if (Op.CropRect.IsEmpty())
      return "crop: the rectangle is empty (right must exceed left, bottom top)";
  }
  return {};
}

// What became of one file: an exit code, and the error or the line that
// describes the file written; a warning may come with either.
struct TFileResult
{
  int Code = ExitOk;
  std::string Message;
  std::string Warning;
};

TFileResult Failed(int Code, std::string Message)
{
  return {Code, std::move(Message), {}};
}

TFileResult ProcessFile(const TOperation &Op, const std::filesystem::path &In,
                        const std::filesystem::path &Out)
{
  const TArguments &Args = Op.Args;
  const std::string &Command = Op.Command;
  // Writing the input's format under a name that says something else
  // would mislead whoever opens the file next.
  if (!Args.Format && !FormatByExtension(Out) && Out.has_extension())
    return Failed(ExitUsage, Out.string() + ": '" + Out.extension().string() +
                                 "' is not the extension of a format this program writes; "
                                 "give --format");

  TZrGraphicsFormats Formats;
  Formats.ApplyOrientation = !Args.KeepOrientation;
  TZrGraphicsImage Image;
  int32_t InFormat = 0;
  std::string Error;
  // A JPEG's pixels wait until something needs them: a turn, flip or cut
  // written as JPEG comes from its coefficients. The transform reads the
  // coded data once and fails on damage, and so does the decode a save
  // falls back to, so the file is not read through beforehand; a failed
  // save asks whether the input was to blame. A result that needs the
  // pixels in any case has them decoded at once, which finds damage by
  // itself.
  const std::optional<int32_t> Wanted = Args.Format ? Args.Format : FormatByExtension(Out);
  TZrLoadOptions Options;
  Options.DeferJPEGPixels =
      Command != "resize" && !Args.Quality && (!Wanted || *Wanted == gfJPEG || *Wanted == gfZRI);
  Options.SkipDeferredCheck = Options.DeferJPEGPixels;
  // The size a resize asks for, from the image's size.
  const auto ResizedSize = [&Args](int32_t Width, int32_t Height, int64_t &W, int64_t &H) {
    const double W0 = Width, H0 = Height;
    if (Args.Scale) {
      W = static_cast<int64_t>(std::nearbyint(W0 * *Args.Scale / 100));
      H = static_cast<int64_t>(std::nearbyint(H0 * *Args.Scale / 100));
    } else {
      W = Args.Width ? *Args.Width : static_cast<int64_t>(std::nearbyint(W0 * *Args.Height / H0));
      H = Args.Height ? *Args.Height : static_cast<int64_t>(std::nearbyint(H0 * *Args.Width / W0));
    }
    W = std::max<int64_t>(W, 1);
    H = std::max<int64_t>(H, 1);
  };
  if (Command == "resize")
    // A JPEG is resampled while it is decoded, so that its full-size
    // picture is never held; the same pixels as resampling it afterwards.
    Options.ResampleTo = [&ResizedSize](int32_t Width, int32_t Height, int32_t &NewWidth,
                                        int32_t &NewHeight) {
      int64_t W, H;
      ResizedSize(Width, Height, W, H);
      if (!ImageSizeAllowed(W, H))
        return false;
      NewWidth = static_cast<int32_t>(W);
      NewHeight = static_cast<int32_t>(H);
      return true;
    };
  TZrLoadReport Loaded;
  if (!Formats.LoadImage(Image, In, InFormat, Options, &Error, &Loaded))
    return Failed(ExitInput, In.string() + ": " + Error);

  int32_t OutFormat = InFormat;
  if (Args.Format)
    OutFormat = *Args.Format;
  else if (const auto ByName = FormatByExtension(Out))
    OutFormat = *ByName;

  bool Ok = true;
  if (Command == "rotate")
    Ok = Op.Direction == "left" ? Image.RotateLeft() : Image.RotateRight();
  else if (Command == "flip")
    Ok = Op.Direction == "horizontal" ? Image.FlipHorizontal() : Image.FlipVertical();
  else if (Command == "crop") {
    if (IntersectRect(Op.CropRect, MakeRect(0, 0, Image.Width(), Image.Height())) != Op.CropRect)
      return Failed(ExitOperation, In.string() + ": crop: the rectangle reaches outside the " +
                                       std::to_string(Image.Width()) + " x " +
                                       std::to_string(Image.Height()) + " image");
    Ok = Image.Crop(Op.CropRect);
  } else if (Command == "resize" && !Loaded.Resampled) {
    int64_t W, H;
    ResizedSize(Image.Width(), Image.Height(), W, H);
    if (!ImageSizeAllowed(W, H))
      return Failed(ExitOperation, In.string() + ": resize: " + std::to_string(W) + " x " +
                                       std::to_string(H) + " is larger than an image may be");
    Ok = Image.Resample(static_cast<int32_t>(W), static_cast<int32_t>(H));
  }
  if (!Ok)
    return Failed(ExitOperation,
                  In.string() + ": " + Command + ": the operation failed (out of memory?)");

  if (Args.Quality) {
    // An explicit quality asks for new compression: the pixels are all
    // that is written then.
    if (!Image.EnsurePixels())
      return Failed(ExitInput, In.string() + ": the image cannot be decoded");
    Image.LosslessJPEG.reset();
    Formats.JpegQuality = *Args.Quality;
  }
  std::vector<uint8_t> Bytes;
  bool Lossless = false;
  Error.clear();
  if (!Formats.EncodeImage(Image, OutFormat, Bytes, &Error, &Lossless)) {
    if (Image.PendingDataDamaged())
      return Failed(ExitInput,
                    In.string() + ": " + DescribeLoadProblem({TZrImageProblem::Damaged, {}}));
    return Failed(ExitOutput, Out.string() + ": " + Error);
  }
  TFileResult Result;
  if (!Error.empty())
    Result.Warning = Out.string() + ": " + Error;
  std::string Reason;
  if (!WriteFileAtomic(Out, Bytes.data(), Bytes.size(), &Reason))
    return Failed(ExitOutput, Out.string() + ": cannot write the file: " + Reason);
  const TZrRect Visible = Image.GetVisibleRect();
  Result.Message = Out.string() + ": " + FormatName(OutFormat) + ", " +
                   std::to_string(Visible.Width()) + " x " + std::to_string(Visible.Height()) +
                   (OutFormat == gfJPEG || OutFormat == gfZRI
                        ? (Lossless ? ", without recompression" : ", compressed")
                        : "");
  return Result;
}

// ProcessFile, with what cannot be foreseen (no memory) reported as the
// file's failure rather than ending the program.
TFileResult ProcessFileSafely(const TOperation &Op, const std::filesystem::path &In,
                              const std::filesystem::path &Out)
{
  try {
    return ProcessFile(Op, In, Out);
  } catch (const std::bad_alloc &) {
    return Failed(ExitOperation, In.string() + ": out of memory");
  } catch (const std::exception &E) {
    return Failed(ExitOperation, In.string() + ": " + E.what());
  }
}

int Transform(const std::string &Command, const TArguments &Args)
{
  const size_t Tail = OperationArguments(Command);
  if (Args.Positional.size() != 2 + Tail)
    return Fail(ExitUsage, Command + ": wrong number of arguments");
  TOperation Op;
  const std::string Problem =
      CheckOperation(Command, Args, {Args.Positional.begin() + 2, Args.Positional.end()}, Op);
  if (!Problem.empty())
    return Fail(ExitUsage, Problem);
  const TFileResult Result = ProcessFileSafely(Op, Args.Positional[0], Args.Positional[1]);
  if (!Result.Warning.empty())
    std::fprintf(stderr, "facette-cli: %s\n", Result.Warning.c_str());
  if (Result.Code != ExitOk)
    return Fail(Result.Code, Result.Message);
  std::printf("%s\n", Result.Message.c_str());
  return ExitOk;
}

// --- Many files --------------------------------------------------------

const char *FormatExtension(int32_t Format)
{
  switch (Format) {
  case gfJPEG:
    return ".jpg";
  case gfTIFF:
    return ".tif";
  case gfPNG:
    return ".png";
  case gfBMP:
    return ".bmp";
  default:
    return ".zri";
  }
}

// One line on a terminal that shows how far the files have got; the lines
// the program prints meanwhile go above it. Without a terminal it shows
// nothing and the lines go out as they come.
class TProgress
{
public:
  explicit TProgress(size_t Total) : Total(Total), Shown(::isatty(STDERR_FILENO) == 1) { Draw(); }
  ~TProgress()
  {
    if (Shown)
      std::fputs("\r\033[K", stderr);
  }
  TProgress(const TProgress &) = delete;
  TProgress &operator=(const TProgress &) = delete;

  // Line goes to Stream above the bar; FileDone counts a file as done.
  void Print(std::FILE *Stream, const std::string &Line, bool FileDone)
  {
    const std::lock_guard<std::mutex> Guard(Lock);
    if (Shown)
      std::fputs("\r\033[K", stderr);
    std::fprintf(Stream, "%s\n", Line.c_str());
    std::fflush(Stream);
    Finished += FileDone ? 1 : 0;
    Draw();
  }

private:
  void Draw() const
  {
    if (!Shown)
      return;
    constexpr size_t Width = 30;
    const size_t Filled = Total ? Finished * Width / Total : Width;
    std::fprintf(stderr, "[%s%s] %zu/%zu", std::string(Filled, '#').c_str(),
                 std::string(Width - Filled, '.').c_str(), Finished, Total);
    std::fflush(stderr);
  }

  std::mutex Lock;
  const size_t Total;
  size_t Finished = 0;
  const bool Shown;
};

// The files a command line names: a folder stands for the images in it
// (by their extension, in name order, not its subfolders).
std::vector<std::filesystem::path> ExpandInputs(const std::vector<std::string> &Names)
{
  std::vector<std::filesystem::path> Files;
  for (const std::string &Name : Names) {
    std::error_code Code;
    if (!std::filesystem::is_directory(Name, Code)) {
      Files.emplace_back(Name);
      continue;
    }
    std::vector<std::filesystem::path> Images;
    for (const auto &Entry : std::filesystem::directory_iterator(Name, Code))
      if (Entry.is_regular_file(Code) && FormatByExtension(Entry.path()))
        Images.push_back(Entry.path());
    std::sort(Images.begin(), Images.end());
    Files.insert(Files.end(), Images.begin(), Images.end());
  }
  return Files;
}

// Several files, or the images of folders, each written into OutputDir
// under its own name (with the extension of --format when given), Jobs at
// a time. A file that fails is reported and the others go on; the exit
// code is that of the first file, in the order given, that failed.
int Batch(const std::string &Command, const TArguments &Args)
{
  const size_t Tail = OperationArguments(Command);
  if (Args.Positional.size() < 1 + Tail)
    return Fail(ExitUsage, Command + ": wrong number of arguments");
  const auto FirstTail = Args.Positional.end() - static_cast<ptrdiff_t>(Tail);
  TOperation Op;
  const std::string Problem = CheckOperation(Command, Args, {FirstTail, Args.Positional.end()}, Op);
  if (!Problem.empty())
    return Fail(ExitUsage, Problem);

  const std::vector<std::filesystem::path> Inputs =
      ExpandInputs({Args.Positional.begin(), FirstTail});
  if (Inputs.empty())
    return Fail(ExitInput, "no image files to work on");
  const std::filesystem::path Dir = *Args.OutputDir;
  std::vector<std::filesystem::path> Outputs;
  std::map<std::filesystem::path, size_t> Taken;
  for (size_t I = 0; I < Inputs.size(); ++I) {
    std::filesystem::path Name = Inputs[I].filename();
    if (Args.Format)
      Name.replace_extension(FormatExtension(*Args.Format));
    Outputs.push_back(Dir / Name);
    // Two inputs of one name would overwrite each other's result.
    const auto [Where, New] = Taken.emplace(Outputs.back().lexically_normal(), I);
    if (!New)
      return Fail(ExitUsage, Inputs[Where->second].string() + " and " + Inputs[I].string() +
                                 " would both be written to " + Outputs.back().string());
  }
  std::error_code Code;
  std::filesystem::create_directories(Dir, Code);
  if (!std::filesystem::is_directory(Dir))
    return Fail(ExitOutput, Dir.string() + ": cannot create the folder" +
                                (Code ? ": " + Code.message() : std::string()));

  const int32_t Cores = static_cast<int32_t>(std::max(1U, std::thread::hardware_concurrency()));
  const int32_t Jobs =
      std::clamp<int32_t>(Args.Jobs.value_or(Cores), 1, static_cast<int32_t>(Inputs.size()));
  // The files side by side share the cores rather than each taking all.
  SetWorkerLimit(std::max(1, Cores / Jobs));

  std::vector<TFileResult> Results(Inputs.size());
  std::atomic<size_t> Next{0};
  {
    TProgress Progress(Inputs.size());
    RunWorkers(Jobs, [&](int32_t) {
      for (size_t I = Next++; I < Inputs.size(); I = Next++) {
        TFileResult &R = Results[I];
        R = ProcessFileSafely(Op, Inputs[I], Outputs[I]);
        if (!R.Warning.empty())
          Progress.Print(stderr, "facette-cli: " + R.Warning, false);
        Progress.Print(R.Code == ExitOk ? stdout : stderr,
                       R.Code == ExitOk ? R.Message : "facette-cli: " + R.Message, true);
      }
    });
  }

  int Exit = ExitOk;
  size_t FailedCount = 0;
  for (const TFileResult &R : Results)
    if (R.Code != ExitOk) {
      ++FailedCount;
      if (Exit == ExitOk)
        Exit = R.Code;
    }
  if (FailedCount == 0) {
    std::printf("%zu %s written to %s\n", Inputs.size(), Inputs.size() == 1 ? "file" : "files",
                Dir.string().c_str());
    return ExitOk;
  }
  std::fprintf(stderr, "facette-cli: %zu of %zu files written to %s; %zu failed:\n",
               Inputs.size() - FailedCount, Inputs.size(), Dir.string().c_str(), FailedCount);
  for (const TFileResult &R : Results)
    if (R.Code != ExitOk)
      std::fprintf(stderr, "  %s\n", R.Message.c_str());
  return Exit;
}

} // namespace

int main(int Argc, char **Argv)
{
  if (Argc < 2)
    return Fail(ExitUsage, "no command given");
  const std::string Command = Argv[1];
  if (Command == "-h" || Command == "--help" || Command == "help") {
    std::fputs(HelpText, stdout);
    return ExitOk;
  }
  if (Command == "--version") {
    std::printf("facette-cli %s\n", FACETTE_VERSION);
    return ExitOk;
  }
  for (int I = 2; I < Argc; ++I)
    if (std::string_view(Argv[I]) == "--help" || std::string_view(Argv[I]) == "-h") {
      std::fputs(HelpText, stdout);
      return ExitOk;
    }
  // The file description's labels come from the program's language files
  // when they are installed beside it; English otherwise.
  std::error_code Code;
  const std::filesystem::path Self = std::filesystem::read_symlink("/proc/self/exe", Code);
  if (!Code)
    InitLocalizer(Self.parent_path(), 1033);

  TArguments Args;
  const std::string Problem = ParseOptions(Argc, Argv, Args);
  if (!Problem.empty())
    return Fail(ExitUsage, Problem);
  if (Command == "info") {
    if (Args.Positional.size() != 1 || Args.Format || Args.Quality || Args.Width || Args.Height ||
        Args.Scale || Args.OutputDir || Args.Jobs)
      return Fail(ExitUsage, "info: give exactly one FILE and no options but --keep-orientation");
    return Info(Args.Positional[0], Args.KeepOrientation);
  }
  if (Command == "convert" || Command == "resize" || Command == "rotate" || Command == "flip" ||
      Command == "crop") {
    if (Args.Jobs && !Args.OutputDir)
      return Fail(ExitUsage, "--jobs belongs to --output-dir");
    return Args.OutputDir ? Batch(Command, Args) : Transform(Command, Args);
  }
  return Fail(ExitUsage, "unknown command '" + Command + "'");
}
