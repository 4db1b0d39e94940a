#pragma once

#include <QString>

// The phrase after one more list item: the item joins the text exactly as it
// stands, even text the user typed without a separator, and is followed by
// " , ".
QString appendedToPhrase(const QString &phrase, const QString &item);
