#pragma once
// The inputs of a catalogue: a list file with one path a line (or NUL
// between them, as find -print0 writes), and the share of it one worker
// renders. Workers that read the same list with the same N split it
// between them without talking to each other: entry i belongs to shard
// i mod N.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <optional>
#include <variant>

namespace sonavix {

// The paths in a list's bytes. Empty entries are no entries; a line's
// trailing carriage return (a list written on Windows) is dropped; with
// `nulSeparated` nothing but NUL separates. A relative path is taken from
// `folder` (left as it is when `folder` is empty).
QStringList ParseInputList(const QByteArray& bytes, bool nulSeparated, const QString& folder);

// Reads the list at `path` ("-" for standard input; a pipe will do) and
// parses it, relative paths from the list's folder. A list that cannot be
// read or names no file is a German sentence.
std::variant<QStringList, QString> ReadInputList(const QString& path, bool nulSeparated);

// Why a file could not be opened, in German, from the system's error number.
QString WhyNotOpened(int error);

struct Shard {
  int index = 0;  // K, 0 ... count-1
  int count = 1;  // N
};

// Looks up an environment variable; empty if unset.
using Environment = std::function<QString(const char* name)>;
Environment ProcessEnvironment();

// "K/N", or "auto/N" with K from JOB_COMPLETION_INDEX, SLURM_ARRAY_TASK_ID
// or PARALLEL_SEQ minus one, whichever is set first. A German sentence
// when it cannot be read.
std::variant<Shard, QString> ParseShard(const QString& text, const Environment& environment);

// The positions, counted from 0, of the `entries` that belong to `shard`.
std::vector<std::size_t> ShardPositions(std::size_t entries, const Shard& shard);

}  // namespace sonavix
