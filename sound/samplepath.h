#pragma once

#include <QString>

#include <optional>

// The file a sample name stands for: ".Wav" is appended unless the name
// already ends in ".wav" (any case); the name is then looked up as it is
// (relative to currentDir) and, failing that, in the wavs folder of
// programDir. Letter case is ignored. Nothing is returned for an empty name
// or a file found nowhere.
std::optional<QString> resolveSamplePath(QString name, const QString &currentDir,
                                         const QString &programDir);
