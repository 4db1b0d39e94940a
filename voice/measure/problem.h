#pragma once

#include <QLatin1String>
#include <QList>

#include <array>

// What can be wrong with one sample, in the order problems are listed in the
// table, the summary and the JSON.
enum class Problem {
    Missing,
    Unreadable,
    SeveralFiles,
    Truncated,
    Silent,
    Clipped,
    Quiet,
    Loud,
    SilenceStart,
    SilenceEnd,
    Format,
    DcOffset,
    WrongWords,
};

// The word for each problem, in Problem's order: what people and scripts read.
inline constexpr std::array ProblemWords {
    "missing", "unreadable",    "several-files", "truncated", "silent",    "clipped",     "quiet",
    "loud",    "silence-start", "silence-end",   "format",    "dc-offset", "wrong-words",
};

static_assert(ProblemWords.size() == std::size_t(Problem::WrongWords) + 1);

inline QLatin1String wordFor(Problem problem)
{
    return QLatin1String(ProblemWords[std::size_t(problem)]);
}

// Every problem, in listing order.
inline QList<Problem> allProblems()
{
    QList<Problem> problems;
    for (std::size_t i = 0; i < ProblemWords.size(); ++i)
        problems.append(Problem(i));
    return problems;
}
