#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for. An option is added in one place,
// commandline.cpp, where the parser is set up and its answer read back.
struct CommandLine
{
    enum Action { Check, Help, Version, UsageError };
    Action action = Check;
    QString error; // for a usage error: what is wrong, one line
    bool json = false;
    bool words = true; // hear each sample's words
    QString folder = QStringLiteral(".");
    QString chart;   // empty: no chart
    QString fixInto; // empty: only check
    std::optional<double> padStartMs;
    std::optional<double> padEndMs;
    std::optional<double> loudnessLufs;
};

inline constexpr char Usage[]
    = "usage: voice-check [--json] [--no-words] [--chart FILE.svg] [FOLDER]\n"
      "       voice-check --fix OUT [--pad-start MS] [--pad-end MS] [--loudness LUFS]\n"
      "                   [--json] [--no-words] [--chart FILE.svg] [FOLDER]\n";

// arguments as the program got them, its own name first.
CommandLine parseCommandLine(const QStringList &arguments);

// The options, one a line, for --help.
QString optionsHelp();
