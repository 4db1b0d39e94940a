#include "wordscheck.h"

WordsCheck::~WordsCheck()
{
    // The check's report, posted to this object, goes with it.
    if (m_thread.joinable())
        m_thread.join();
}

void WordsCheck::ask(const QString &folder)
{
    m_folder = folder;
    ++m_asked;
    if (!m_running)
        start();
}

void WordsCheck::start()
{
    m_running = true;
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, folder = m_folder, asked = m_asked] {
        auto report = checkVoice(folder, { .words = true, .cache = &m_cache });
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report), asked] { ended(report, asked); },
            Qt::QueuedConnection);
    });
}

void WordsCheck::ended(const std::optional<VoiceReport> &report, int asked)
{
    m_running = false;
    if (asked != m_asked) {
        start();
        return;
    }
    m_reported = asked;
    if (report)
        emit checked(*report);
}
