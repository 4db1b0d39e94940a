#include "textcells.h"

#include <cmath>

namespace {

bool escaped(char32_t character)
{
    switch (QChar::category(character)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString escape(char32_t character)
{
    return character < 0x100
        ? QStringLiteral("\\x%1").arg(uint(character), 2, 16, QLatin1Char('0'))
        : QStringLiteral("\\u%1").arg(uint(character), 4, 16, QLatin1Char('0'));
}

// East Asian Wide and Fullwidth blocks, as terminals draw them.
bool wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
        || (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

int cellsOf(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing)
        return 0;
    return wide(c) ? 2 : 1;
}

} // namespace

QString printable(const QString &text)
{
    QString shown;
    for (const char32_t character : text.toUcs4())
        shown += escaped(character) ? escape(character) : QString::fromUcs4(&character, 1);
    return shown;
}

int cellWidth(QStringView text)
{
    int cells = 0;
    for (const char32_t character : text.toUcs4())
        cells += cellsOf(character);
    return cells;
}

QString fitted(const QString &text, int width)
{
    const QString shown = printable(text);
    if (cellWidth(shown) <= width)
        return shown;
    QString cut;
    int cells = 0;
    for (const char32_t character : shown.toUcs4()) {
        cells += cellsOf(character);
        if (cells > width - 1)
            break;
        cut += QString::fromUcs4(&character, 1);
    }
    return cut + QChar(0x2026);
}

QString padded(const QString &text, int width, bool alignRight)
{
    const QString spaces(std::max(0, width - cellWidth(text)), QLatin1Char(' '));
    return alignRight ? spaces + text : text + spaces;
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
        if (!lines.isEmpty() && cellWidth(lines.last()) + 1 + cellWidth(word) <= width)
            lines.last() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    return lines;
}
