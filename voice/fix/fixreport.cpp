#include "fixreport.h"

#include "fixsettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace {

constexpr int NameWidth = 12;
// Smaller changes than these are not worth a word.
constexpr double ShownMs = 0.5;
constexpr double ShownDc = 0.0005;

QString signedNumber(double value, int decimals)
{
    const QString text = QString::number(value, 'f', decimals);
    // A value that rounds to zero reads +0, not -0.
    if (text.toDouble() == 0)
        return QLatin1Char('+') + QString::number(0.0, 'f', decimals);
    return value > 0 ? QLatin1Char('+') + text : text;
}

QString pauseChange(const char *end, double trimmedMs)
{
    return QStringLiteral("%1 pause %2 ms").arg(QLatin1String(end), signedNumber(-trimmedMs, 0));
}

QString writtenLine(const SampleFix &fix)
{
    QStringList done;
    QString gain = QStringLiteral("gain %1 dB").arg(signedNumber(fix.gainDb, 1));
    if (fix.wantedGainDb)
        gain += QStringLiteral(" (%1 dB wanted; held to %2 dBTP)")
                    .arg(signedNumber(*fix.wantedGainDb, 1))
                    .arg(TruePeakCeilingDb);
    done.append(gain);
    if (std::fabs(fix.trimmedStartMs) >= ShownMs)
        done.append(pauseChange("start", fix.trimmedStartMs));
    if (std::fabs(fix.trimmedEndMs) >= ShownMs)
        done.append(pauseChange("end", fix.trimmedEndMs));
    if (!fix.convertedFrom.isEmpty())
        done.append(QStringLiteral("converted from ") + fix.convertedFrom);
    if (fix.dcRemoved >= ShownDc)
        done.append(QStringLiteral("DC offset %1 % removed").arg(fix.dcRemoved * 100, 0, 'f', 1));
    return done.join(QStringLiteral(", "));
}

QString doneLine(const SampleFix &fix)
{
    switch (fix.outcome) {
    case SampleFix::Outcome::Copied:
        return fix.because.isEmpty()
            ? QStringLiteral("copied unchanged")
            : QStringLiteral("copied unchanged: %1, which a fix would hide").arg(fix.because);
    case SampleFix::Outcome::LeftOut:
        return QStringLiteral("left out: ") + fix.because;
    case SampleFix::Outcome::Written:
        break;
    }
    return writtenLine(fix);
}

const char *outcomeWord(SampleFix::Outcome outcome)
{
    switch (outcome) {
    case SampleFix::Outcome::Copied:
        return "copied";
    case SampleFix::Outcome::LeftOut:
        return "left out";
    case SampleFix::Outcome::Written:
        break;
    }
    return "written";
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue roundedTenth(double value)
{
    return std::round(value * 10) / 10;
}

QJsonObject fixObject(const SampleFix &fix)
{
    return {
        { "name", fix.name },
        { "file", orNull(fix.file) },
        { "done", outcomeWord(fix.outcome) },
        { "because", orNull(fix.because) },
        { "gain_db", roundedTenth(fix.gainDb) },
        { "wanted_gain_db", fix.wantedGainDb ? roundedTenth(*fix.wantedGainDb) : QJsonValue() },
        { "trimmed_start_ms", roundedTenth(fix.trimmedStartMs) },
        { "trimmed_end_ms", roundedTenth(fix.trimmedEndMs) },
        { "converted_from", orNull(fix.convertedFrom) },
        { "dc_offset_removed", std::round(fix.dcRemoved * 1e4) / 1e4 },
        { "says_other_line",
          fix.saysOther
              ? QJsonObject { { "name", fix.saysOther->name }, { "line", fix.saysOther->line } }
              : QJsonValue() },
    };
}

} // namespace

QString fixLines(const QList<SampleFix> &fixes)
{
    QString text;
    for (const SampleFix &fix : fixes) {
        text += fix.name.leftJustified(NameWidth) + doneLine(fix);
        if (fix.saysOther)
            text += QStringLiteral("; it says %1's line (\"%2\"), which no fix changes")
                        .arg(fix.saysOther->name, fix.saysOther->line);
        text += QLatin1Char('\n');
    }
    return text;
}

QByteArray fixJson(const QList<SampleFix> &fixes, const QByteArray &checkJson)
{
    QJsonArray done;
    for (const SampleFix &fix : fixes)
        done.append(fixObject(fix));
    const QJsonObject root { { "fixes", done },
                             { "check", QJsonDocument::fromJson(checkJson).object() } };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
