#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>

// The names in a folder, for matching a sample name against files whose
// case differs. Listing a folder costs far more than testing one path (tens
// of microseconds for a voice folder, milliseconds for a crowded current
// directory), and every name not spelt exactly as on disk needs one, so the
// last few listings are reused while the folder's modification time shows
// that no entry has been added, removed or renamed since.
// Nothing when folder is not a directory whose entries can be read.
std::optional<QStringList> folderEntries(const QString &folder);

// A path as the system spells it, and a file name back from the system;
// bytes the system's encoding cannot decode come back as U+FFFD.
std::filesystem::path nativePath(const QString &path);
QString fileNameOf(const std::filesystem::path &path);
