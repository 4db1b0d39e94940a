#include "reporttable.h"

#include "textcells.h"

#include <algorithm>

namespace {

struct Column
{
    const char *header;
    int width; // 0 for the file column, which takes what the rest leave
    bool numeric;
    QString (*cell)(const SampleMeasures &, int width);
};

// The columns after the name and the file, and before the problems.
const Column MeasureColumns[] = {
    { "format", 16, false,
      [](const SampleMeasures &m, int) {
          return QStringLiteral("%1 %2ch %3").arg(m.rate).arg(m.channels).arg(m.encoding);
      } },
    { "secs", 5, true,
      [](const SampleMeasures &m, int w) { return numberCell(m.seconds(), 2, w); } },
    { "dBFS", 5, true,
      [](const SampleMeasures &m, int w) { return numberCell(m.peakDbfs(), 1, w); } },
    { "LUFS", 5, true,
      [](const SampleMeasures &m, int w) { return numberCell(m.loudnessLufs, 1, w); } },
    { "lead", 5, true,
      [](const SampleMeasures &m, int w) { return numberCell(m.leadingPauseMs(), 0, w); } },
    { "trail", 5, true,
      [](const SampleMeasures &m, int w) { return numberCell(m.trailingPauseMs(), 0, w); } },
};
constexpr int NameWidth = 11;
constexpr int MinFileWidth = 7;
constexpr int MaxFileWidth = 20;
constexpr int MinProblemsWidth = 13; // "several-files", "silence-start"
constexpr qsizetype NameNotes = 3;
constexpr int NoteFileWidth = 40;
constexpr int ReasonWidth = 80; // the decoder's reasons run long; the note wraps

// Terminal colours (SGR codes).
constexpr char Bold[] = "1";
constexpr char Red[] = "31";
constexpr char Green[] = "32";

struct Layout
{
    int width;
    int file;
    int problems;
};

Layout layoutFor(int width)
{
    width = std::max(width, MinTableWidth);
    int fixed = NameWidth + 1;
    for (const Column &column : MeasureColumns)
        fixed += column.width + 1;
    const int room = width - fixed - 1;
    const int file = std::clamp(room - 2 * MinProblemsWidth, MinFileWidth, MaxFileWidth);
    return { width, file, room - file };
}

QString painted(const QString &text, const char *code, bool colour)
{
    if (!colour || text.isEmpty())
        return text;
    return QStringLiteral("\x1b[%1m%2\x1b[0m").arg(QLatin1String(code), text);
}

// The cells before the problems column, each followed by a space.
QString leadingCells(const QString &name, const QString &file, const QStringList &measures,
                     const Layout &layout)
{
    QString line = padded(fitted(name, NameWidth), NameWidth) + QLatin1Char(' ')
        + padded(fitted(file, layout.file), layout.file) + QLatin1Char(' ');
    for (qsizetype i = 0; i < measures.size(); ++i) {
        const Column &column = MeasureColumns[i];
        line += padded(fitted(measures[i], column.width), column.width, column.numeric)
            + QLatin1Char(' ');
    }
    return line;
}

QString sampleRows(const SampleReport &sample, const Layout &layout, bool colour)
{
    QStringList measures;
    for (const Column &column : MeasureColumns)
        measures.append(sample.measures ? column.cell(*sample.measures, column.width)
                                        : QStringLiteral("-"));
    QStringList words;
    for (const Problem problem : sample.problems)
        words.append(wordFor(problem));
    const QStringList problems = wrapWords(words, layout.problems);
    const QString cells
        = leadingCells(sample.name, sample.file.isEmpty() ? "-" : sample.file, measures, layout);
    QString rows = cells + painted(problems.value(0), Red, colour);
    for (qsizetype i = 1; i < problems.size(); ++i)
        rows += QLatin1Char('\n') + QString(cellWidth(cells), QLatin1Char(' '))
            + painted(problems[i], Red, colour);
    return rows.trimmed() + QLatin1Char('\n');
}

QString headerRow(const Layout &layout, bool colour)
{
    QStringList headers;
    for (const Column &column : MeasureColumns)
        headers.append(QLatin1String(column.header));
    return painted(leadingCells("name", "file", headers, layout) + QStringLiteral("problems"), Bold,
                   colour)
        + QLatin1Char('\n');
}

QString referenceLine(const VoiceReference &voice)
{
    if (!voice.rate)
        return QStringLiteral("voice: no sample measured");
    QString line = QStringLiteral("voice: %1 %2ch %3")
                       .arg(*voice.rate)
                       .arg(*voice.channels)
                       .arg(*voice.encoding);
    if (voice.loudnessLufs)
        line += QStringLiteral(", %1 LUFS").arg(numberCell(*voice.loudnessLufs, 1, 6));
    if (voice.silenceStartMs)
        line += QStringLiteral(", lead %1 ms, trail %2 ms")
                    .arg(numberCell(*voice.silenceStartMs, 0, 6),
                         numberCell(*voice.silenceEndMs, 0, 6));
    return line + QStringLiteral(" (the most common format, the medians)");
}

QString noteOn(const SampleReport &sample)
{
    const QString file = fitted(sample.file, NoteFileWidth);
    if (sample.problems.contains(Problem::Missing))
        return sample.reason.isEmpty() ? QString() : fitted(sample.reason, ReasonWidth);
    if (sample.problems.contains(Problem::Unreadable))
        return QStringLiteral("%1: %2").arg(file, fitted(sample.reason, ReasonWidth));
    if (sample.problems.contains(Problem::Truncated))
        return QStringLiteral("%1 promises %2 s, %3 s are there")
            .arg(file, numberCell(sample.measures->promisedSeconds(), 2, 9),
                 numberCell(sample.measures->seconds(), 2, 9));
    return sample.reason;
}

// What the words of the voice came to, when they were listened for.
QString wordsLine(const WordsReport &words)
{
    if (words.checked)
        return QStringLiteral("words: %1 of %2 samples heard as their own lines")
            .arg(words.heardOwn)
            .arg(words.checkable);
    return QStringLiteral("words not checked: ") + words.reason;
}

// Notes of one or more lines, each wrapped within the width.
QStringList notes(const VoiceReport &report)
{
    QStringList text;
    for (const SampleReport &sample : report.samples) {
        if (const QString note = noteOn(sample); !note.isEmpty())
            text.append(sample.name + QStringLiteral(": ") + note);
        if (sample.problems.contains(Problem::WrongWords))
            text.append(QStringLiteral("%1 sounds like %2 (\"%3\")")
                            .arg(sample.name, sample.heard->name, printable(sample.heard->line)));
        for (const QString &other : sample.otherFiles)
            text.append(QStringLiteral("%1: the player takes %2, not %3")
                            .arg(sample.name, fitted(sample.file, NoteFileWidth),
                                 fitted(other, NoteFileWidth)));
    }
    for (const QString &note : report.words.notes)
        text.append(printable(note));
    for (const ExtraFile &extra : report.extras) {
        const QString file = fitted(extra.file, NoteFileWidth);
        text.append(extra.nearest
                        ? QStringLiteral("extra: %1 (nearest name: %2)").arg(file, *extra.nearest)
                        : QStringLiteral("extra: %1").arg(file));
    }
    return text;
}

QString wrapped(const QString &text, int width)
{
    return wrapWords(text.split(QLatin1Char(' ')), width).join(QStringLiteral("\n  "))
        + QLatin1Char('\n');
}

QString namesNote(const QStringList &names)
{
    QStringList shown = names.first(std::min(names.size(), NameNotes));
    if (names.size() > NameNotes)
        shown.append(QStringLiteral("and %1 more").arg(names.size() - NameNotes));
    return shown.join(QStringLiteral(", "));
}

} // namespace

QString summaryLine(const VoiceReport &report)
{
    QStringList parts;
    for (const Problem problem : allProblems()) {
        const QStringList names = report.namesWith(problem);
        if (!names.isEmpty())
            parts.append(QStringLiteral("%1 %2 (%3)")
                             .arg(names.size())
                             .arg(wordFor(problem), namesNote(names)));
    }
    if (!report.extras.isEmpty()) {
        QStringList files;
        for (const ExtraFile &extra : report.extras)
            files.append(fitted(extra.file, NoteFileWidth));
        parts.append(QStringLiteral("%1 extra %2 (%3)")
                         .arg(report.extras.size())
                         .arg(report.extras.size() == 1 ? "file" : "files", namesNote(files)));
    }
    QString line = QStringLiteral("%1 of %2 samples fine")
                       .arg(report.fineCount())
                       .arg(report.samples.size());
    if (!parts.isEmpty())
        line += QStringLiteral("; ") + parts.join(QStringLiteral(", "));
    return line;
}

QString reportTable(const VoiceReport &report, bool colour, int width)
{
    const Layout layout = layoutFor(width);
    QString text = headerRow(layout, colour);
    for (const bool withProblems : { true, false }) {
        for (const SampleReport &sample : report.samples) {
            if (sample.problems.isEmpty() != withProblems)
                text += sampleRows(sample, layout, colour);
        }
    }
    text += QLatin1Char('\n') + wrapped(referenceLine(report.reference), layout.width);
    if (report.words.asked)
        text += wrapped(wordsLine(report.words), layout.width);
    const QStringList noted = notes(report);
    if (!noted.isEmpty())
        text += QLatin1Char('\n');
    for (const QString &note : noted)
        text += wrapped(note, layout.width);
    const QString summary = wrapWords(summaryLine(report).split(QLatin1Char(' ')), layout.width)
                                .join(QLatin1Char('\n'));
    return text + QLatin1Char('\n') + painted(summary, report.clean() ? Green : Bold, colour)
        + QLatin1Char('\n');
}
