// facette-cli: information, conversion, resizing, quarter turns, flips and
// crops of image files from the command line. JPEG files that are only
// turned, flipped or cut on the coding-block grid are written from their
// original coefficients; metadata is carried over; an output file is
// written completely or not at all.
#include "framework/ZrLocalizer.h"
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

Options:
  --format jpeg|tiff|png|bmp|zri
      Format of OUT. Default: from OUT's extension (.jpg .jpeg .tif .tiff
      .png .bmp .rle .dib .zri); an OUT without an extension gets the
      format of IN, one with any other extension needs --format.
  --quality N
      JPEG quality 1..100; the image is then compressed anew. Without it a
      JPEG input that was only turned, flipped or cut on its 8- or 16-pixel
      block grid is written without recompression, and an edited JPEG is
      compressed with the quality and chroma subsampling estimated from the
      input; other inputs are written at quality 80.
  -h, --help      Shows this text.
  --version       Shows the version.

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
    } else if (A.size() > 2 && A.rfind("--", 0) == 0) {
      return "unknown option '" + A + "'";
    } else {
      Args.Positional.push_back(A);
    }
  }
  return {};
}

int Info(const std::filesystem::path &File)
{
  TZrGraphicsFormats Formats;
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

int Transform(const std::string &Command, const TArguments &Args)
{
  const size_t Needed = Command == "crop" ? 6 : Command == "rotate" || Command == "flip" ? 3 : 2;
  if (Args.Positional.size() != Needed)
    return Fail(ExitUsage, Command + ": wrong number of arguments");
  const std::filesystem::path In = Args.Positional[0], Out = Args.Positional[1];
  if (Command != "resize" && (Args.Width || Args.Height || Args.Scale))
    return Fail(ExitUsage, Command + ": --width, --height and --scale belong to resize");
  if (Command == "resize" && !Args.Scale && !Args.Width && !Args.Height)
    return Fail(ExitUsage, "resize: give --width and --height, or --scale");
  if (Command == "resize" && Args.Scale && (Args.Width || Args.Height))
    return Fail(ExitUsage, "resize: give either --scale or --width/--height");

  std::string Operation;
  TZrRect CropRect;
  if (Command == "rotate" || Command == "flip") {
    Operation = Lower(Args.Positional[2]);
    const bool Valid = Command == "rotate" ? Operation == "left" || Operation == "right"
                                           : Operation == "horizontal" || Operation == "vertical";
    if (!Valid)
      return Fail(ExitUsage, Command + ": unknown direction '" + Args.Positional[2] + "'");
  } else if (Command == "crop") {
    int32_t Edge[4];
    for (int I = 0; I < 4; ++I) {
      const auto N = ParseInt(Args.Positional[2 + static_cast<size_t>(I)]);
      if (!N)
        return Fail(ExitUsage, "crop: LEFT TOP RIGHT BOTTOM must be whole numbers");
      Edge[I] = *N;
    }
    CropRect = MakeRect(Edge[0], Edge[1], Edge[2], Edge[3]);
    if (CropRect.IsEmpty())
      return Fail(ExitUsage, "crop: the rectangle is empty (right must exceed left, bottom top)");
  }

  // Writing the input's format under a name that says something else
  // would mislead whoever opens the file next.
  if (!Args.Format && !FormatByExtension(Out) && Out.has_extension())
    return Fail(ExitUsage, Out.string() + ": '" + Out.extension().string() +
                               "' is not the extension of a format this program writes; "
                               "give --format");

  TZrGraphicsFormats Formats;
  TZrGraphicsImage Image;
  int32_t InFormat = 0;
  std::string Error;
  TZrLoadOptions Options;
  Options.DeferJPEGPixels = true;
  if (!Formats.LoadImage(Image, In, InFormat, Options, &Error))
    return Fail(ExitInput, In.string() + ": " + Error);

  int32_t OutFormat = InFormat;
  if (Args.Format)
    OutFormat = *Args.Format;
  else if (const auto ByName = FormatByExtension(Out))
    OutFormat = *ByName;

  bool Ok = true;
  if (Command == "rotate")
    Ok = Operation == "left" ? Image.RotateLeft() : Image.RotateRight();
  else if (Command == "flip")
    Ok = Operation == "horizontal" ? Image.FlipHorizontal() : Image.FlipVertical();
  else if (Command == "crop") {
    if (IntersectRect(CropRect, MakeRect(0, 0, Image.Width(), Image.Height())) != CropRect)
      return Fail(ExitOperation, "crop: the rectangle reaches outside the " +
                                     std::to_string(Image.Width()) + " x " +
                                     std::to_string(Image.Height()) + " image");
    Ok = Image.Crop(CropRect);
  } else if (Command == "resize") {
    const double W0 = Image.Width(), H0 = Image.Height();
    int64_t W, H;
    if (Args.Scale) {
      W = static_cast<int64_t>(std::nearbyint(W0 * *Args.Scale / 100));
      H = static_cast<int64_t>(std::nearbyint(H0 * *Args.Scale / 100));
    } else {
      W = Args.Width ? *Args.Width : static_cast<int64_t>(std::nearbyint(W0 * *Args.Height / H0));
      H = Args.Height ? *Args.Height : static_cast<int64_t>(std::nearbyint(H0 * *Args.Width / W0));
    }
    W = std::max<int64_t>(W, 1);
    H = std::max<int64_t>(H, 1);
    if (!ImageSizeAllowed(W, H))
      return Fail(ExitOperation, "resize: " + std::to_string(W) + " x " + std::to_string(H) +
                                     " is larger than an image may be");
    Ok = Image.Resample(static_cast<int32_t>(W), static_cast<int32_t>(H));
  }
  if (!Ok)
    return Fail(ExitOperation, Command + ": the operation failed (out of memory?)");

  if (Args.Quality) {
    // An explicit quality asks for new compression: the pixels are all
    // that is written then.
    if (!Image.EnsurePixels())
      return Fail(ExitInput, In.string() + ": the image cannot be decoded");
    Image.LosslessJPEG.reset();
    Formats.JpegQuality = *Args.Quality;
  }
  std::vector<uint8_t> Bytes;
  bool Lossless = false;
  Error.clear();
  if (!Formats.EncodeImage(Image, OutFormat, Bytes, &Error, &Lossless))
    return Fail(ExitOutput, Out.string() + ": " + Error);
  if (!Error.empty())
    std::fprintf(stderr, "facette-cli: %s: %s\n", Out.string().c_str(), Error.c_str());
  std::string Reason;
  if (!WriteFileAtomic(Out, Bytes.data(), Bytes.size(), &Reason))
    return Fail(ExitOutput, Out.string() + ": cannot write the file: " + Reason);
  const TZrRect Visible = Image.GetVisibleRect();
  std::printf("%s: %s, %d x %d%s\n", Out.string().c_str(), FormatName(OutFormat), Visible.Width(),
              Visible.Height(),
              OutFormat == gfJPEG || OutFormat == gfZRI
                  ? (Lossless ? ", without recompression" : ", compressed")
                  : "");
  return ExitOk;
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
        Args.Scale)
      return Fail(ExitUsage, "info: give exactly one FILE and no options");
    return Info(Args.Positional[0]);
  }
  if (Command == "convert" || Command == "resize" || Command == "rotate" || Command == "flip" ||
      Command == "crop")
    return Transform(Command, Args);
  return Fail(ExitUsage, "unknown command '" + Command + "'");
}
