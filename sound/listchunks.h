#pragma once

class QIODevice;

// libsndfile walks a WAV file's LIST chunk for as long as the chunk says it
// is, long after the bytes have run out, and a chunk inside it claiming
// nearly 4 GB wraps its count around: either keeps it busy for minutes.
// False for such a file, which is then refused. Reads only chunk headers
// and leaves source at its start.
bool listChunksFit(QIODevice &source);
