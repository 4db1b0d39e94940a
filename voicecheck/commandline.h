#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct CommandLine
{
    bool help = false;
    bool json = false;
    QString folder = QStringLiteral(".");
};

inline constexpr char Usage[] = "usage: voice-check [--json] [FOLDER]\n";

// The options after the program's name; nothing for a usage error.
std::optional<CommandLine> parseCommandLine(const QStringList &arguments);
