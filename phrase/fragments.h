#pragma once

#include <QString>
#include <QStringList>

// The pieces of a phrase between its commas: every comma splits, so n
// commas give n + 1 pieces, empty ones included. An empty text has none.
QStringList phraseFragments(const QString &phrase);

// The fragment without the spaces at either end. Only the space character
// goes: a tab or line break is part of the name the user wrote.
QString trimSpaces(const QString &fragment);
