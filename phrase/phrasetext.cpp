#include "phrasetext.h"

QString appendedToPhrase(const QString &phrase, const QString &item)
{
    return phrase + item + QStringLiteral(" , ");
}
