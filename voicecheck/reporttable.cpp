#include "reporttable.h"

#include <cmath>

namespace {

struct Column
{
    const char *header;
    int width;
    bool numeric;
};

const Column Columns[] = {
    { "name", 11, false }, { "file", 15, false }, { "format", 10, false }, { "length", 7, true },
    { "dBFS", 6, true },   { "LUFS", 6, true },   { "lead ms", 8, true },  { "trail ms", 8, true },
};
constexpr qsizetype NameNotes = 3;
constexpr int NoteFileWidth = 40;

// Terminal colours (SGR codes).
constexpr char Bold[] = "1";
constexpr char Red[] = "31";
constexpr char Green[] = "32";

int problemsColumn()
{
    int start = 0;
    for (const Column &column : Columns)
        start += column.width + 1;
    return start + 1;
}

QString joinedCells(const QStringList &cells)
{
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const Column &column = Columns[i];
        const QString cell = fitted(cells[i], column.width);
        line += column.numeric ? cell.rightJustified(column.width)
                               : cell.leftJustified(column.width);
        line += QLatin1Char(' ');
    }
    return line + QLatin1Char(' ');
}

QStringList measureCells(const SampleReport &sample)
{
    if (!sample.measures)
        return QStringList(6, QStringLiteral("-"));
    const SampleMeasures &measures = *sample.measures;
    return {
        QStringLiteral("%1 %2ch").arg(measures.rate).arg(measures.channels),
        numberCell(measures.seconds(), 2, Columns[3].width),
        numberCell(measures.peakDbfs(), 1, Columns[4].width),
        numberCell(measures.loudnessLufs, 1, Columns[5].width),
        numberCell(measures.leadingPauseMs(), 0, Columns[6].width),
        numberCell(measures.trailingPauseMs(), 0, Columns[7].width),
    };
}

QString painted(const QString &text, const char *code, bool colour)
{
    if (!colour || text.isEmpty())
        return text;
    return QStringLiteral("\x1b[%1m%2\x1b[0m").arg(QLatin1String(code), text);
}

QString sampleRows(const SampleReport &sample, bool colour)
{
    const QStringList cells = QStringList { sample.name, sample.file.isEmpty() ? "-" : sample.file }
        + measureCells(sample);
    const int problemsWidth = TableWidth - problemsColumn();
    QStringList words;
    for (const Problem problem : sample.problems)
        words.append(wordFor(problem));
    const QStringList problems = wrapWords(words, problemsWidth);
    QString rows = joinedCells(cells) + painted(problems.value(0), Red, colour);
    for (qsizetype i = 1; i < problems.size(); ++i)
        rows += QLatin1Char('\n') + QString(problemsColumn(), QLatin1Char(' '))
            + painted(problems[i], Red, colour);
    return rows.trimmed() + QLatin1Char('\n');
}

QString headerRow(bool colour)
{
    QStringList headers;
    for (const Column &column : Columns)
        headers.append(QLatin1String(column.header));
    return painted(joinedCells(headers) + QStringLiteral("problems"), Bold, colour)
        + QLatin1Char('\n');
}

QString notes(const VoiceReport &report)
{
    QString text;
    for (const SampleReport &sample : report.samples) {
        for (const QString &other : sample.otherFiles)
            text += QStringLiteral("%1: the player takes %2, not %3\n")
                        .arg(sample.name, fitted(sample.file, NoteFileWidth),
                             fitted(other, NoteFileWidth));
    }
    for (const ExtraFile &extra : report.extras)
        text += QStringLiteral("extra: %1 (nearest name: %2)\n")
                    .arg(fitted(extra.file, NoteFileWidth), extra.nearest);
    return text;
}

QString namesNote(const QStringList &names)
{
    QStringList shown = names.first(std::min(names.size(), NameNotes));
    if (names.size() > NameNotes)
        shown.append(QStringLiteral("and %1 more").arg(names.size() - NameNotes));
    return shown.join(QStringLiteral(", "));
}

} // namespace

QString printable(QString text)
{
    for (QChar &character : text) {
        if (character.category() == QChar::Other_Control)
            character = QLatin1Char('?');
    }
    return text;
}

QString fitted(const QString &text, int width)
{
    const QString shown = printable(text);
    if (shown.size() <= width)
        return shown;
    return shown.first(width - 1) + QChar(0x2026);
}

QString numberCell(double value, int decimals, int width)
{
    if (std::isinf(value) && value < 0)
        return QStringLiteral("-inf");
    for (int places = decimals; places >= 0; --places) {
        QString text = QString::number(value, 'f', places);
        // A value that rounds to zero reads 0, not -0.
        if (text.startsWith(QLatin1Char('-'))
            && text.count(QLatin1Char('0')) + text.count(QLatin1Char('.')) == text.size() - 1)
            text.remove(0, 1);
        if (text.size() <= width)
            return text;
    }
    return QString(width, QLatin1Char('#'));
}

QStringList wrapWords(const QStringList &words, int width)
{
    QStringList lines;
    for (const QString &word : words) {
        if (!lines.isEmpty() && lines.last().size() + 1 + word.size() <= width)
            lines.last() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    return lines;
}

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

QString reportTable(const VoiceReport &report, bool colour)
{
    QString text = headerRow(colour);
    for (const bool withProblems : { true, false }) {
        for (const SampleReport &sample : report.samples) {
            if (sample.problems.isEmpty() != withProblems)
                text += sampleRows(sample, colour);
        }
    }
    const QString noted = notes(report);
    if (!noted.isEmpty())
        text += QLatin1Char('\n') + noted;
    return text + QLatin1Char('\n')
        + painted(summaryLine(report), report.clean() ? Green : Bold, colour) + QLatin1Char('\n');
}
