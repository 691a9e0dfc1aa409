#pragma once
// The command line read into what it asks for: the window (with perhaps a
// file to open), the list of presets, or a render of files with its
// settings. Every option is described here, so that the help lists the
// window's and the render's alike. Nothing is checked against the disk
// here but whether -o names a folder; a bad value is a usage error with a
// German sentence that names it.

#include <QCommandLineParser>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

#include "cli/input_list.h"
#include "export/presets.h"
#include "video/backdrop.h"
#include "video/text_layer.h"

namespace sonavix {

// Registers the program's options and its positional argument.
void DescribeCommandLine(QCommandLineParser& parser);

// The usage lines printed after a usage error, and the status it ends with.
QString UsageLines();
inline constexpr int kUsageStatus = 2;

// Prints the sentence and the usage lines on standard error; returns
// kUsageStatus.
int ReportUsageError(const QString& message);

struct RenderOptions {
  QStringList inputs;
  QString output;  // empty: beside each input
  const ExportPreset* preset = nullptr;
  QString text;
  bool textGiven = false;  // -t was given (even empty): the tags do not fill in
  std::optional<QFont> font;  // unset: the window's default font
  QString subtext;            // the second line, with placeholders; empty: none
  std::optional<TextLook::Place> textPlace;  // unset: the preset's
  std::optional<QColor> textColour;          // unset: the preset's look
  QString lyrics;                            // a file, "auto" or empty
  int webFrameRate = 30;                     // --fps, for the web formats
  QString image;                             // a file, "auto" or empty
  ImageFit imageFit = ImageFit::Cover;
  double quality = 1.0;
  std::optional<double> from;
  std::optional<double> to;
  int jobs = 1;
  bool jobsChosen = false;  // -j given; else `jobs` is the cores, to be weighed against memory
  bool quiet = false;
  QString discImage;  // empty: no image; else the .cue or .iso to write
  bool exactEnd = false;  // the songs are a disc's chapters (set for --disc-image)
  QString albumVideo;     // empty: a file per input; else the one video of them all
  // A catalogue: the inputs' list (added to the files named), the share of
  // them this worker renders, whether finished outputs are kept, and the
  // report to append to.
  QString list;  // a file, "-" for standard input, or empty
  bool nulSeparated = false;
  std::optional<Shard> shard;
  bool skipExisting = false;
  QString report;
  // Any of the above: every finished output gets its note (finished_record.h).
  bool Catalogue() const { return !list.isEmpty() || shard || skipExisting || !report.isEmpty(); }
};

struct OpenWindow {
  QString file;  // empty: an empty window
};
struct ListPresets {};
struct ShowHelp {};
struct ShowVersion {};
struct UsageError {
  QString message;
};

using CommandLineRequest =
    std::variant<OpenWindow, ListPresets, ShowHelp, ShowVersion, RenderOptions, UsageError>;

// Prints the help or the version on standard output for those requests and
// returns status 0; empty for any other request.
std::optional<int> AnswerHelpOrVersion(const CommandLineRequest& request);

// Reads the arguments (the program's name first). `cores` is the default
// for --jobs.
CommandLineRequest ReadCommandLine(const QStringList& arguments, int cores);

// "1:30", "90", "90,5", "1:02:03.25" as seconds; empty if it is none.
std::optional<double> ParseSeconds(const QString& text);

// "FAMILY,SIZE[,bold][,italic]" (also "fett", "kursiv"); SIZE in points.
// Empty, with a German sentence in `error`, if it cannot be read.
std::optional<QFont> ParseFontSpec(const QString& spec, QString& error);

}  // namespace sonavix
