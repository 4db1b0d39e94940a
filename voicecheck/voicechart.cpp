#include "voicechart.h"

#include "reporttable.h"
#include "textcells.h"
#include "thresholds.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

using namespace ChartGeometry;

const QLatin1String Fine("#4a7ab0");
const QLatin1String Faulty("#d03030");
const QLatin1String Band("#dcefdc");
const QLatin1String Stripe("#f3f3f3");
const QLatin1String Ink("#303030");

QString number(double value)
{
    return QString::number(value, 'f', 1);
}

QString rect(double x, double y, double width, double height, QLatin1String fill)
{
    return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
        .arg(number(x), number(y), number(width), number(height), fill);
}

QString text(double x, double y, const QString &content, const char *anchor = "start",
             QLatin1String fill = Ink)
{
    return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\" fill=\"%4\">%5</text>\n")
        .arg(number(x), number(y), QLatin1String(anchor), fill, printable(content).toHtmlEscaped());
}

QString line(double x, double top, double bottom, const char *dash = "none")
{
    return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"%4\" "
                          "stroke-dasharray=\"%5\"/>\n")
        .arg(number(x), number(top), number(bottom), Ink, QLatin1String(dash));
}

QString horizontal(double from, double to, double y)
{
    return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\"/>\n")
        .arg(number(from), number(y), number(to), Ink);
}

struct Tick
{
    double x;
    QString label;
};

// One block's axis, apart from the others': its title, a line as wide as
// the block, and its ticks.
QString axis(const QString &title, double from, double to, const QList<Tick> &ticks)
{
    const double y = FirstRowTop - 4;
    QString svg = text((from + to) / 2, 34, title, "middle") + horizontal(from, to, y);
    for (const Tick &tick : ticks)
        svg += line(tick.x, y - 3, y) + text(tick.x, y - 6, tick.label, "middle");
    return svg;
}

// A bar from x along length pixels (leftwards when negative) in row.
QString bar(double x, double length, qsizetype row, QLatin1String fill)
{
    const double top = rowTop(row) + (RowHeight - BarHeight) / 2.0;
    return rect(std::min(x, x + length), top, std::fabs(length), BarHeight, fill);
}

QString heading(const VoiceReport &report, const QString &name)
{
    const VoiceReference &voice = report.reference;
    const QString median = voice.loudnessLufs
        ? QStringLiteral("median %1 LUFS").arg(*voice.loudnessLufs, 0, 'f', 1)
        : QStringLiteral("no sample audible");
    const QString format = voice.rate ? QStringLiteral("; %1 Hz %2ch %3")
                                            .arg(*voice.rate)
                                            .arg(voice.channels.value_or(0))
                                            .arg(voice.encoding.value_or(QString()))
                                      : QString();
    QString svg = text(8, 18,
                       // One arg call, so that a % in the folder's name stays as it is.
                       QStringLiteral("%1: %2 of %3 samples fine; %4%5")
                           .arg(name, QString::number(report.fineCount()),
                                QString::number(report.samples.size()), median, format));
    QList<Tick> lu;
    for (const int value : { -12, -6, 0, 6, 12 })
        lu.append({ MedianX + value * PixelsPerLu,
                    (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value) });
    svg += axis(
        QStringLiteral("loudness, LU from the median (±%1 shaded)").arg(LoudnessToleranceLu),
        MedianX - ShownLu * PixelsPerLu, MedianX + ShownLu * PixelsPerLu, lu);
    QList<Tick> lead;
    QList<Tick> trail;
    // The two zeros meet at the gap, where a label would run into the other's.
    for (const int ms : { 0, 500, 1000 }) {
        const QString label = ms > 0 ? QString::number(ms) : QString();
        lead.append({ LeadEndX - ms * PixelsPerMs, label });
        trail.append({ TrailStartX + ms * PixelsPerMs, label });
    }
    svg += axis(QStringLiteral("lead pause, ms"), LeadEndX - ShownMs * PixelsPerMs, LeadEndX, lead);
    svg += axis(QStringLiteral("trail pause, ms"), TrailStartX, TrailStartX + ShownMs * PixelsPerMs,
                trail);
    svg += text(ProblemsX, 34, QStringLiteral("problems, in red"));
    return svg;
}

qsizetype rowsOf(const VoiceReport &report)
{
    return report.samples.isEmpty() ? 0 : sampleRow(report.samples.size() - 1) + 1;
}

QString backdrop(const VoiceReport &report)
{
    const qsizetype rows = rowsOf(report);
    QString svg;
    for (qsizetype sample = 1; sample < report.samples.size(); sample += 2)
        svg += rect(0, rowTop(sampleRow(sample)), Width, RowHeight, Stripe);
    const double band = LoudnessToleranceLu * PixelsPerLu;
    svg += rect(MedianX - band, FirstRowTop, 2 * band, rows * RowHeight, Band);
    svg += line(MedianX, FirstRowTop, rowTop(rows));
    // The pauses tolerated: up to the voice's median and a bit, dashed at the median.
    const double lead
        = std::min(report.reference.silenceStartMs.value_or(0), ShownMs) * PixelsPerMs;
    const double trail = std::min(report.reference.silenceEndMs.value_or(0), ShownMs) * PixelsPerMs;
    const double tolerance = SilenceToleranceMs * PixelsPerMs;
    svg += rect(LeadEndX - lead - tolerance, FirstRowTop, lead + tolerance, rows * RowHeight, Band);
    svg += rect(TrailStartX, FirstRowTop, trail + tolerance, rows * RowHeight, Band);
    svg += line(LeadEndX - lead, FirstRowTop, rowTop(rows), "3,3");
    svg += line(TrailStartX + trail, FirstRowTop, rowTop(rows), "3,3");
    return svg;
}

QLatin1String colourIf(bool faulty)
{
    return faulty ? Faulty : Fine;
}

QString sampleLine(const SampleReport &sample, qsizetype row, const VoiceReference &voice)
{
    const double baseline = rowTop(row) + RowHeight - 2.5;
    const bool faulty = !sample.problems.isEmpty();
    QString svg = text(8, baseline, sample.name, "start", faulty ? Faulty : Ink);
    QStringList words;
    for (const Problem problem : sample.problems)
        words.append(wordFor(problem));
    svg += text(ProblemsX, baseline, words.join(QLatin1Char(' ')), "start", Faulty);
    if (!sample.measures)
        return svg;
    const SampleMeasures &measures = *sample.measures;
    if (voice.loudnessLufs) {
        // Silence reads as the quietest the panel shows.
        const double lu = std::isfinite(measures.loudnessLufs)
            ? measures.loudnessLufs - *voice.loudnessLufs
            : -ShownLu;
        const bool level
            = sample.problems.contains(Problem::Quiet) || sample.problems.contains(Problem::Loud);
        svg += bar(MedianX, std::clamp(lu, -ShownLu, ShownLu) * PixelsPerLu, row, colourIf(level));
    }
    const auto pause = [](double ms) { return std::min(ms, ShownMs) * PixelsPerMs; };
    svg += bar(LeadEndX, -pause(measures.leadingPauseMs()), row,
               colourIf(sample.problems.contains(Problem::SilenceStart)));
    svg += bar(TrailStartX, pause(measures.trailingPauseMs()), row,
               colourIf(sample.problems.contains(Problem::SilenceEnd)));
    return svg;
}

// The name of a list, in its own row above its samples.
QString listHeading(int list, qsizetype row)
{
    const std::string_view name = ListNames[std::size_t(list)];
    return QStringLiteral("<text x=\"8\" y=\"%1\" font-weight=\"bold\" fill=\"%2\">%3</text>\n")
        .arg(number(rowTop(row) + RowHeight - 2.5), Ink,
             QString::fromLatin1(name.data(), qsizetype(name.size())));
}

} // namespace

QByteArray voiceChart(const VoiceReport &report, const QString &name)
{
    const int height = ChartGeometry::height(rowsOf(report));
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                 "height=\"%2\" viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" "
                                 "font-size=\"10\">\n")
                      .arg(Width)
                      .arg(height);
    svg += rect(0, 0, Width, height, QLatin1String("#ffffff"));
    svg += backdrop(report) + heading(report, name);
    for (qsizetype sample = 0; sample < report.samples.size(); ++sample) {
        const int list = SampleCatalogue[std::size_t(sample)].list;
        if (sample == 0 || SampleCatalogue[std::size_t(sample) - 1].list != list)
            svg += listHeading(list, sampleRow(sample) - 1);
        svg += sampleLine(report.samples[sample], sampleRow(sample), report.reference);
    }
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + svg
            + QStringLiteral("</svg>\n"))
        .toUtf8();
}
