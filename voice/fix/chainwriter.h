#pragma once

#include "fixchain.h"

#include <QByteArray>
#include <QString>

// Writes the sample at from (libsndfile's sourceEncoding) reshaped by plan
// and turned by gainDb to a WAV file at to in encoding, dithered where that
// is coarser than the source and rounded to its steps, with comment in its
// header, under a temporary name until complete. error says why it could
// not be written.
bool writeReshaped(const QString &from, int sourceEncoding, const ChainPlan &plan, int encoding,
                   double gainDb, const QString &to, QString *error,
                   const QByteArray &comment = {});
