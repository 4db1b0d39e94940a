#include "voicelines.h"

#include "catalogue.h"
#include "defaultlines.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

// No author writes a megabyte of lines; anything larger is not a lines file.
constexpr qint64 MaxFileBytes = 1 << 20;

int indexOfName(const QString &name)
{
    for (std::size_t i = 0; i < SampleCatalogue.size(); ++i) {
        const std::string_view known = SampleCatalogue[i].name;
        if (name.compare(QLatin1String(known.data(), qsizetype(known.size())), Qt::CaseInsensitive)
            == 0)
            return int(i);
    }
    return -1;
}

// What is wrong with one row, or nothing when it was taken into lines.
QString takeRow(QString row, VoiceLines &lines)
{
    if (const qsizetype comment = row.indexOf(QLatin1Char('#')); comment >= 0)
        row.truncate(comment);
    if (row.trimmed().isEmpty())
        return {};
    const qsizetype tab = row.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return QStringLiteral("not NAME<TAB>line");
    const QString name = row.left(tab).trimmed();
    const int index = indexOfName(name);
    if (index < 0)
        return QStringLiteral("no sample is called \"%1\"").arg(name);
    const QString line = row.mid(tab + 1).trimmed();
    if (line.isEmpty())
        return QStringLiteral("no line after %1").arg(name);
    lines.texts[index] = line;
    return {};
}

} // namespace

VoiceLines defaultLines()
{
    VoiceLines lines;
    for (const CatalogueEntry &entry : SampleCatalogue) {
        QString text;
        for (const DefaultLine &line : DefaultLines) {
            if (line.name == entry.name)
                text = QString::fromUtf8(line.text.data(), qsizetype(line.text.size()));
        }
        lines.texts.append(text);
    }
    return lines;
}

VoiceLines parseVoiceLines(const QByteArray &bytes)
{
    VoiceLines lines = defaultLines();
    const QList<QByteArray> rows = bytes.split('\n');
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString row = utf8(rows[i]);
        if (i == 0 && row.startsWith(QChar(0xfeff)))
            row.remove(0, 1);
        const QString fault = utf8.hasError() ? QStringLiteral("not UTF-8")
                                              : takeRow(row.remove(QLatin1Char('\r')), lines);
        if (!fault.isEmpty())
            lines.notes.append(QStringLiteral("%1 line %2: %3")
                                   .arg(QLatin1String(LinesFileName))
                                   .arg(i + 1)
                                   .arg(fault));
    }
    return lines;
}

VoiceLines readVoiceLines(const QString &folder)
{
    QFile file(QDir(folder).filePath(QLatin1String(LinesFileName)));
    if (!file.exists())
        return defaultLines();
    VoiceLines lines = defaultLines();
    if (!file.open(QIODevice::ReadOnly))
        lines.notes.append(QStringLiteral("%1: cannot be read (%2)")
                               .arg(QLatin1String(LinesFileName), file.errorString()));
    else if (file.size() > MaxFileBytes)
        lines.notes.append(QStringLiteral("%1: larger than a megabyte, not read")
                               .arg(QLatin1String(LinesFileName)));
    else
        lines = parseVoiceLines(file.read(MaxFileBytes));
    return lines;
}
