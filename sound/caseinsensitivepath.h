#pragma once

#include <QString>

#include <optional>

// Finds the regular file at path the way a file system that ignores letter
// case would: every component is matched exactly first, then against its case
// variants in code-unit order, so the same name always picks the same file.
std::optional<QString> findFileIgnoringCase(const QString &path);
