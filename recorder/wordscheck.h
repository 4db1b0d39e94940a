#pragma once

#include "voicereport.h"
#include "wordscache.h"

#include <QObject>
#include <QString>

#include <optional>
#include <thread>

// The voice checked as voice-check checks it, words and all, on a thread of
// its own: hearing a whole voice takes seconds, which the window must not
// wait for. Hearings are kept, so after a take only the samples that
// changed are heard again. One check runs at a time; one asked for
// meanwhile follows it, and only a check of the voice as it stood when last
// asked for is reported.
class WordsCheck : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~WordsCheck() override;

    // Checks the voice in folder as it is now.
    void ask(const QString &folder);
    // Whether a check asked for has not been reported yet.
    bool pending() const { return m_reported != m_asked; }
    // The hearings, for a check made elsewhere of the same voice.
    WordsCache &cache() { return m_cache; }

signals:
    void checked(const VoiceReport &report);

private:
    void start();
    void ended(const std::optional<VoiceReport> &report, int asked);

    WordsCache m_cache;
    // The GUI thread's alone; the check's thread gets copies.
    QString m_folder;
    int m_asked = 0;
    int m_reported = 0;
    bool m_running = false;
    std::thread m_thread;
};
