#include "cli/render_options.h"

#include <QColor>
#include <QCoreApplication>
#include <cmath>
#include <cstdio>

#include "document/local_names.h"

namespace sonavix {

namespace {

const QString kRender = QStringLiteral("render");
const QString kListPresets = QStringLiteral("list-presets");
const QString kOutput = QStringLiteral("output");
const QString kPreset = QStringLiteral("preset");
const QString kText = QStringLiteral("text");
const QString kFont = QStringLiteral("font");
const QString kSubtext = QStringLiteral("subtext");
const QString kTextPosition = QStringLiteral("text-position");
const QString kTextColor = QStringLiteral("text-color");
const QString kLyrics = QStringLiteral("lyrics");
const QString kFps = QStringLiteral("fps");
const QString kImage = QStringLiteral("image");
const QString kImageFit = QStringLiteral("image-fit");
const QString kQuality = QStringLiteral("quality");
const QString kFrom = QStringLiteral("from");
const QString kTo = QStringLiteral("to");
const QString kJobs = QStringLiteral("jobs");
const QString kQuiet = QStringLiteral("quiet");
const QString kDiscImage = QStringLiteral("disc-image");
const QString kAlbumVideo = QStringLiteral("album-video");
const QString kList = QStringLiteral("list");
const QString kNull = QStringLiteral("null");
const QString kShard = QStringLiteral("shard");
const QString kSkipExisting = QStringLiteral("skip-existing");
const QString kReport = QStringLiteral("report");

// Options that mean something only to a render.
const QStringList& RenderOnly() {
  static const QStringList names = {kOutput, kPreset, kText,  kFont,      kSubtext, kTextPosition, kTextColor,
                                    kLyrics,  kFps,   kImage, kImageFit, kQuality, kFrom,  kTo,   kJobs,      kQuiet,   kDiscImage, kAlbumVideo,
                                    kList,    kNull,  kShard, kSkipExisting, kReport};
  return names;
}

QString PresetNames() {
  QStringList names;
  for (const ExportPreset& preset : ExportPresets()) names << QString::fromLatin1(preset.name);
  return names.join(QStringLiteral(", "));
}

// A number with a decimal point or a German decimal comma.
std::optional<double> ParseNumber(QString text) {
  text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double value = text.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

UsageError Bad(const QString& message) { return {message}; }

// The catalogue's options; a German sentence if one cannot be read.
std::optional<QString> ReadCatalogue(const QCommandLineParser& parser, RenderOptions& options) {
  options.list = parser.value(kList);
  if (parser.isSet(kList) && options.list.isEmpty())
    return QStringLiteral("--list braucht eine Liste (eine Datei je Zeile) oder - für die Standardeingabe.");
  options.nulSeparated = parser.isSet(kNull);
  if (options.nulSeparated && options.list.isEmpty()) return QStringLiteral("--null gilt nur mit --list.");
  if (parser.isSet(kShard)) {
    auto shard = ParseShard(parser.value(kShard), ProcessEnvironment());
    if (auto* error = std::get_if<QString>(&shard)) return *error;
    options.shard = std::get<Shard>(shard);
  }
  options.skipExisting = parser.isSet(kSkipExisting);
  options.report = parser.value(kReport);
  if (parser.isSet(kReport) && options.report.isEmpty()) return QStringLiteral("--report braucht einen Namen.");
  return std::nullopt;
}

std::variant<RenderOptions, UsageError> ReadRender(const QCommandLineParser& parser, int cores) {
  RenderOptions options;
  options.inputs = parser.positionalArguments();
  if (auto error = ReadCatalogue(parser, options)) return Bad(*error);
  if (options.inputs.isEmpty() && options.list.isEmpty()) return Bad(QStringLiteral("Keine Eingabedatei angegeben."));
  options.output = parser.value(kOutput);
  if (parser.isSet(kOutput) && options.output.isEmpty())
    return Bad(QStringLiteral("-o braucht einen Namen."));
  if (options.output.endsWith(QLatin1Char('/')) && !IsFolder(options.output))
    return Bad(QStringLiteral("Den Ordner „%1“ gibt es nicht.").arg(DisplayName(options.output)));
  if ((options.inputs.size() > 1 || !options.list.isEmpty()) && parser.isSet(kOutput) && !IsFolder(options.output))
    return Bad(QStringLiteral("Bei mehreren Eingabedateien muss -o ein vorhandener Ordner sein: „%1“ ist keiner.")
                   .arg(options.output));

  const QString preset = parser.isSet(kPreset) ? parser.value(kPreset) : QStringLiteral("dvd");
  options.preset = FindPreset(preset.toStdString());
  if (!options.preset)
    return Bad(QStringLiteral("Unbekannte Voreinstellung „%1“; bekannt sind: %2.").arg(preset, PresetNames()));

  options.text = parser.value(kText);
  options.textGiven = parser.isSet(kText);
  if (parser.isSet(kFont)) {
    QString error;
    options.font = ParseFontSpec(parser.value(kFont), error);
    if (!options.font) return Bad(error);
  }
  options.subtext = parser.value(kSubtext);
  options.lyrics = parser.value(kLyrics);
  if (parser.isSet(kLyrics) && options.lyrics.isEmpty())
    return Bad(QStringLiteral("--lyrics braucht eine LRC- oder SRT-Datei oder auto."));
  if (parser.isSet(kTextPosition)) {
    options.textPlace = ParseTextPlace(parser.value(kTextPosition));
    if (!options.textPlace)
      return Bad(QStringLiteral("--text-position erwartet oben, mitte oder unten, nicht „%1“.")
                     .arg(parser.value(kTextPosition)));
  }
  if (parser.isSet(kTextColor)) {
    const QColor colour = QColor::fromString(parser.value(kTextColor).trimmed());
    if (!colour.isValid())
      return Bad(QStringLiteral("--text-color erwartet eine Farbe wie white oder #ffcc00, nicht „%1“.")
                     .arg(parser.value(kTextColor)));
    options.textColour = colour;
  }
  options.image = parser.value(kImage);
  if (parser.isSet(kImage) && options.image.isEmpty())
    return Bad(QStringLiteral("--image braucht ein Bild, auto oder none."));
  if (options.image == QLatin1String("none")) options.image.clear();
  if (parser.isSet(kImageFit)) {
    const std::optional<ImageFit> fit = ParseImageFit(parser.value(kImageFit));
    if (!fit)
      return Bad(QStringLiteral("--image-fit erwartet cover oder contain, nicht „%1“.").arg(parser.value(kImageFit)));
    options.imageFit = *fit;
  }
  if (parser.isSet(kFps)) {
    const QString fps = parser.value(kFps).trimmed();
    if (fps != QLatin1String("30") && fps != QLatin1String("60"))
      return Bad(QStringLiteral("--fps erwartet 30 oder 60, nicht „%1“.").arg(parser.value(kFps)));
    if (IsDiscFormat(options.preset->disc))
      return Bad(QStringLiteral("--fps gilt nur für die MP4-Formate; %1 hat die Bildrate seiner Fernsehnorm.")
                     .arg(QString::fromLatin1(options.preset->name)));
    options.webFrameRate = fps.toInt();
  }
  if (parser.isSet(kQuality)) {
    const std::optional<double> quality = ParseNumber(parser.value(kQuality));
    if (!quality || *quality < 0 || *quality > 1)
      return Bad(QStringLiteral("Die Qualität muss zwischen 0 und 1 liegen, nicht „%1“.").arg(parser.value(kQuality)));
    options.quality = *quality;
  }
  for (const QString& name : {kFrom, kTo}) {
    if (!parser.isSet(name)) continue;
    const std::optional<double> seconds = ParseSeconds(parser.value(name));
    if (!seconds || *seconds < 0)
      return Bad(QStringLiteral("--%1 erwartet Sekunden (z. B. 90 oder 1:30), nicht „%2“.")
                     .arg(name, parser.value(name)));
    (name == kFrom ? options.from : options.to) = *seconds;
  }
  if (options.from && options.to && *options.to <= *options.from)
    return Bad(QStringLiteral("--to muss hinter --from liegen."));

  options.jobs = std::max(cores, 1);
  if (parser.isSet(kJobs)) {
    bool ok = false;
    options.jobs = parser.value(kJobs).toInt(&ok);
    if (!ok || options.jobs < 1 || options.jobs > 64)
      return Bad(QStringLiteral("-j erwartet eine Zahl von 1 bis 64, nicht „%1“.").arg(parser.value(kJobs)));
    options.jobsChosen = true;
  }
  options.quiet = parser.isSet(kQuiet);
  options.discImage = parser.value(kDiscImage);
  if (parser.isSet(kDiscImage) && options.discImage.isEmpty())
    return Bad(QStringLiteral("--disc-image braucht einen Namen."));
  if (!options.discImage.isEmpty() && !IsDiscFormat(options.preset->disc))
    return Bad(QStringLiteral("%1 ist kein Disc-Format: --disc-image geht nur mit vcd, svcd oder dvd.")
                   .arg(QString::fromLatin1(options.preset->name)));
  if (!options.discImage.isEmpty() && IsFolder(options.discImage))
    return Bad(QStringLiteral("--disc-image nennt das Abbild, keinen Ordner: „%1“.").arg(options.discImage));
  options.albumVideo = parser.value(kAlbumVideo);
  if (parser.isSet(kAlbumVideo)) {
    if (options.albumVideo.isEmpty()) return Bad(QStringLiteral("--album-video braucht einen Namen."));
    if (IsDiscFormat(options.preset->disc))
      return Bad(QStringLiteral("%1 hat keine Kapitel: --album-video geht nur mit den MP4-Formaten und webm-alpha.")
                     .arg(QString::fromLatin1(options.preset->name)));
    if (!options.discImage.isEmpty() || parser.isSet(kOutput))
      return Bad(QStringLiteral("--album-video nennt die Ausgabe selbst; -o und --disc-image gehen nicht damit."));
    if (IsFolder(options.albumVideo))
      return Bad(QStringLiteral("--album-video nennt das Video, keinen Ordner: „%1“.").arg(options.albumVideo));
  }
  if ((options.shard || options.skipExisting || !options.report.isEmpty()) &&
      (!options.discImage.isEmpty() || !options.albumVideo.isEmpty()))
    return Bad(QStringLiteral("--shard, --skip-existing und --report gelten für Dateien einzeln, nicht mit "
                              "--disc-image oder --album-video."));
  return options;
}

}  // namespace

void DescribeCommandLine(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Macht aus Musik ein Video."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOptions({
      {kRender, QStringLiteral("Rendert die DATEIen ohne Fenster zu Videos.")},
      {kListPresets, QStringLiteral("Zeigt die Voreinstellungen: Name, Bildgröße, Bildrate, Codecs.")},
      {{QStringLiteral("o"), kOutput},
       QStringLiteral("Bei einer Eingabe die Ausgabedatei, bei mehreren ein vorhandener Ordner "
                      "(sonst neben jeder Eingabe, mit der Endung der Voreinstellung)."),
       QStringLiteral("PFAD")},
      {{QStringLiteral("p"), kPreset},
       QStringLiteral("vcd, svcd, dvd (PAL), vcd-ntsc, svcd-ntsc, dvd-ntsc oder mp4-720p, mp4-1080p, "
                      "mp4-square, mp4-vertical, mp4-1440p, mp4-2160p, webm-alpha "
                      "(Vorgabe: dvd)."),
       QStringLiteral("NAME")},
      {{QStringLiteral("t"), kText},
       QStringLiteral("Die Textzeile des Bildes; {artist}, {title}, {album}, {track} und {year} nehmen die "
                      "Tags der Datei (Vorgabe: „{artist} – {title}“)."),
       QStringLiteral("TEXT")},
      {kSubtext,
       QStringLiteral("Eine zweite, kleinere Zeile unter dem Text, mit denselben Platzhaltern, z. B. "
                      "\"{album} ({year})\"."),
       QStringLiteral("TEXT")},
      {kImage,
       QStringLiteral("Ein Bild hinter den Kreisen: eine Datei, auto (das Cover aus den Tags, sonst cover.jpg, "
                      "folder.jpg oder front.* neben dem Lied) oder none (Vorgabe)."),
       QStringLiteral("BILD|auto|none")},
      {kImageFit,
       QStringLiteral("cover füllt das Bild (Vorgabe), contain zeigt das ganze Bild mit einer unscharfen Kopie "
                      "dahinter."),
       QStringLiteral("ART")},
      {kFps, QStringLiteral("Bilder je Sekunde der MP4-Formate: 30 (Vorgabe) oder 60."), QStringLiteral("ZAHL")},
      {kLyrics,
       QStringLiteral("Der Liedtext mit Zeiten (LRC oder SRT), im unteren Drittel des Bildes; auto nimmt "
                      "LIED.lrc oder LIED.srt neben dem Lied."),
       QStringLiteral("DATEI|auto")},
      {kTextPosition, QStringLiteral("Wo der Text steht: oben, mitte oder unten (Vorgabe: mitte bei den "
                                     "Discs, unten bei MP4)."),
       QStringLiteral("ORT")},
      {kTextColor, QStringLiteral("Die Farbe des Textes, z. B. white oder #ffcc00 (Vorgabe: schwarz auf "
                                  "farbigem Feld bei den Discs, weiß mit dunklem Rand bei MP4)."),
       QStringLiteral("FARBE")},
      {{QStringLiteral("f"), kFont},
       QStringLiteral("Die Schrift des Textes, z. B. \"DejaVu Sans,24,bold,italic\" (Größe in Punkt; "
                      "Vorgabe: die Schrift des Fensters)."),
       QStringLiteral("SCHRIFT")},
      {{QStringLiteral("q"), kQuality}, QStringLiteral("Qualität von 0 bis 1 (Vorgabe: 1)."), QStringLiteral("Q")},
      {kFrom, QStringLiteral("Rendert erst ab dieser Stelle (Sekunden oder m:ss)."), QStringLiteral("SEKUNDEN")},
      {kTo, QStringLiteral("Rendert nur bis zu dieser Stelle (Sekunden oder m:ss)."), QStringLiteral("SEKUNDEN")},
      {{QStringLiteral("j"), kJobs},
       QStringLiteral("Rendert N Dateien gleichzeitig (Vorgabe: die Zahl der Prozessorkerne, aber nur so "
                      "viele, wie der freie Arbeitsspeicher trägt: etwa 350 MB je Datei bei mp4-1080p, "
                      "200 MB bei mp4-720p, 60 bis 80 MB bei den Disc-Formaten)."),
       QStringLiteral("N")},
      {kQuiet, QStringLiteral("Keine Fortschrittsanzeige.")},
      {kDiscImage,
       QStringLiteral("Schreibt alle DATEIen der Reihe nach in ein brennbares Abbild: PFAD.cue mit "
                      "PFAD.bin daneben für (Super) Video-CD, PFAD.iso für DVD. Die MPEG-Dateien "
                      "bleiben nur mit -o."),
       QStringLiteral("PFAD")},
      {kAlbumVideo,
       QStringLiteral("Schreibt alle DATEIen der Reihe nach in ein Video (MP4 oder WebM) mit einem Kapitel je "
                      "Lied; die Kapitelliste („0:00 Titel“) kommt auf die Ausgabe und in PFAD.chapters.txt."),
       QStringLiteral("PFAD")},
      {kList,
       QStringLiteral("Rendert auch die Dateien dieser Liste, eine je Zeile (- liest die Standardeingabe); "
                      "relative Namen gelten vom Ordner der Liste aus."),
       QStringLiteral("LISTE")},
      {kNull, QStringLiteral("Die Namen der Liste sind durch NUL getrennt (find -print0).")},
      {kShard,
       QStringLiteral("Rendert nur die Dateien an den Stellen K, K+N, K+2N ... (ab 0 gezählt); auto/N nimmt K aus "
                      "JOB_COMPLETION_INDEX, SLURM_ARRAY_TASK_ID oder PARALLEL_SEQ minus 1."),
       QStringLiteral("K/N")},
      {kSkipExisting,
       QStringLiteral("Überspringt Dateien, deren Ausgabe schon fertig ist, aus derselben Eingabe mit denselben "
                      "Optionen (vermerkt in .NAME.sonavix neben der Ausgabe).")},
      {kReport,
       QStringLiteral("Hängt je Datei eine Zeile JSON an: Eingabe, Ausgabe, Status, Grund, Sekunden, Spielzeit, "
                      "Bytes, Voreinstellung, SHA-256. Mehrere Rechner können sich eine Datei teilen."),
       QStringLiteral("PFAD")},
  });
  parser.addPositionalArgument(
      QStringLiteral("DATEI"),
      QStringLiteral("Eine Tondatei (WAV, MP3, FLAC, Ogg Vorbis, Opus, AAC und ALAC in M4A, AIFF, AU, "
                     "W64, RF64 oder der Ton eines Videos: MP4, MKV, WebM), die im Fenster geöffnet wird; mit "
                     "--render eine oder mehrere, die zu Videos werden."),
      QStringLiteral("[DATEI] | --render [OPTIONEN] DATEI..."));
}

QString UsageLines() {
  return QStringLiteral(
      "Aufruf: sonavix [DATEI]\n"
      "        sonavix --render [OPTIONEN] DATEI...\n"
      "        sonavix --list-presets\n"
      "Mehr mit: sonavix --help\n");
}

int ReportUsageError(const QString& message) {
  std::fputs(BytesFromName(message + QStringLiteral("\n\n") + UsageLines()).constData(), stderr);
  return kUsageStatus;
}

CommandLineRequest ReadCommandLine(const QStringList& arguments, int cores) {
  QCommandLineParser parser;
  DescribeCommandLine(parser);
  if (!parser.parse(arguments)) return UsageError{parser.errorText()};
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) return ShowHelp{};
  if (parser.isSet(QStringLiteral("version"))) return ShowVersion{};
  if (parser.isSet(kListPresets)) return ListPresets{};
  if (parser.isSet(kRender)) {
    auto render = ReadRender(parser, cores);
    if (auto* error = std::get_if<UsageError>(&render)) return *error;
    return std::get<RenderOptions>(std::move(render));
  }
  for (const QString& name : RenderOnly())
    if (parser.isSet(name))
      return UsageError{QStringLiteral("Die Option --%1 gilt nur mit --render.").arg(name)};
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) return UsageError{QStringLiteral("Es kann nur eine Datei geöffnet werden.")};
  return OpenWindow{files.isEmpty() ? QString() : files.first()};
}

std::optional<int> AnswerHelpOrVersion(const CommandLineRequest& request) {
  if (std::holds_alternative<ShowHelp>(request)) {
    QCommandLineParser parser;
    DescribeCommandLine(parser);
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (std::holds_alternative<ShowVersion>(request)) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return 0;
  }
  return std::nullopt;
}

std::optional<double> ParseSeconds(const QString& text) {
  const QStringList parts = text.trimmed().split(QLatin1Char(':'));
  if (parts.size() > 3) return std::nullopt;
  double seconds = 0;
  for (int i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const std::optional<double> value = ParseNumber(parts[i]);
    if (!value || *value < 0) return std::nullopt;
    // Hours and minutes are whole; minutes and seconds after a colon stay below 60.
    if (!last && *value != std::floor(*value)) return std::nullopt;
    if (i > 0 && *value >= 60) return std::nullopt;
    seconds = seconds * 60 + *value;
  }
  return seconds;
}

std::optional<QFont> ParseFontSpec(const QString& spec, QString& error) {
  QStringList parts = spec.split(QLatin1Char(','));
  bool bold = false, italic = false;
  while (parts.size() > 2) {
    const QString word = parts.last().trimmed().toLower();
    if (word == QStringLiteral("bold") || word == QStringLiteral("fett"))
      bold = true;
    else if (word == QStringLiteral("italic") || word == QStringLiteral("kursiv"))
      italic = true;
    else
      break;
    parts.removeLast();
  }
  const std::optional<double> size = parts.size() >= 2 ? ParseNumber(parts.takeLast()) : std::nullopt;
  const QString family = parts.join(QLatin1Char(',')).trimmed();
  if (family.isEmpty() || !size || *size < 1 || *size > 1000) {
    error = QStringLiteral("Die Schrift „%1“ ist nicht zu lesen; erwartet wird \"FAMILIE,GRÖSSE[,bold][,italic]\", "
                           "die Größe in Punkt von 1 bis 1000.")
                .arg(spec);
    return std::nullopt;
  }
  QFont font;
  font.setFamily(family);  // one family, commas and all, not a list
  font.setPointSizeF(*size);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

}  // namespace sonavix
