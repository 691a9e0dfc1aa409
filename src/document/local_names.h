#pragma once
// File names as Linux keeps them: any bytes but '/' and NUL, often UTF-8
// but not always ("M\xe4dchen.wav" from an old disk or archive). Qt holds
// names as text and would turn such bytes into U+FFFD, losing the file.
// Here a byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80 + (byte - 0x80), and back again, so every name keeps its bytes on
// its way through the program; valid UTF-8 is plain text either way.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>

namespace sonavix {

QString NameFromBytes(const QByteArray& bytes);
QByteArray BytesFromName(const QString& name);
// BytesFromName as the system's calls take it.
std::string LocalPath(const QString& name);
QString NameFromLocalPath(const std::string& path);

// The name for the eye: a byte that is no text shows as U+FFFD.
QString DisplayName(const QString& name);

// The program's arguments, each as NameFromBytes has it.
QStringList ArgumentsFromArgv(int argc, char** argv);

// Whether the name is a folder on disk (following links).
bool IsFolder(const QString& name);

// A name a file dialog handed back, on the disk: the dialogs read names
// as UTF-8 and show a byte that is none as U+FFFD. A name that does not
// exist as given, but whose folders and file match exactly one entry
// each when read that way, is that entry with its own bytes; anything
// else comes back unchanged.
QString NameOnDisk(const QString& name);

}  // namespace sonavix
